#include "app/core/CommandLine.h"

#include "app/core/PathRules.h"

#include <cwctype>
#include <limits>
#include <vector>

namespace orvane {
namespace {

bool EqualNoCase(std::wstring_view a, std::wstring_view b) { return a.size() == b.size() && ContainsNoCase(a, b); }

// A token: its text and where the text after it begins in the line.
struct Token {
  std::wstring_view text;
  size_t end = 0;
};

std::vector<Token> Tokens(std::wstring_view line) {
  std::vector<Token> tokens;
  size_t at = 0;
  while (at < line.size()) {
    if (line[at] == L' ') {
      ++at;
      continue;
    }
    const size_t start = at;
    while (at < line.size() && line[at] != L' ') ++at;
    tokens.push_back({line.substr(start, at - start), at});
  }
  return tokens;
}

bool IsWhiteSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

// A decimal integer after trimming white space: an optional sign and the leading digits; 0 when there
// are none. Values beyond 32 bits are held at the nearest limit, which no delay rule accepts.
int32_t ReadInteger(std::wstring_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  int64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + (c - L'0');
    if (value > std::numeric_limits<int32_t>::max()) {
      return negative ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    }
  }
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

StartOptions ReadCommandLine(std::wstring_view line) {
  StartOptions options;
  options.restart = ContainsNoCase(line, L"/restart");
  options.silent = ContainsNoCase(line, L"/silent");

  const std::vector<Token> tokens = Tokens(line);
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::wstring_view token = tokens[i].text;
    const bool hasNext = i + 1 < tokens.size();
    if (ContainsNoCase(token, L"/debug")) {
      options.debug = true;
    } else if (ContainsNoCase(token, L"/delay")) {
      // "/delay" as the last token gives no delay and ends the reading.
      if (!hasNext) break;
      options.delayMs = ReadInteger(tokens[++i].text);
    } else if (ContainsNoCase(token, L"/cmd")) {
      options.mode = StartOptions::Mode::SendCommand;
      if (hasNext) options.commandWord = tokens[i + 1].text;
      return options;
    } else if (ContainsNoCase(token, L"/rename")) {
      options.mode = StartOptions::Mode::Rename;
      if (!hasNext) return options;
      const Token& value = tokens[i + 1];
      if (value.text.front() != L'"') {
        options.renameName = std::wstring(value.text);
        return options;
      }
      // The quoted name starts after the quote and may span tokens; without a closing quote it runs
      // to the end of the line.
      const size_t start = value.end - value.text.size() + 1;
      const size_t close = line.find(L'"', start);
      options.renameName = std::wstring(line.substr(start, close == std::wstring_view::npos ? line.npos : close - start));
      return options;
    } else if (ContainsNoCase(token, L"/silent") || ContainsNoCase(token, L"/background")) {
      options.hidden = true;
    }
  }
  return options;
}

int32_t EffectiveDelayMs(int32_t delayMs) { return delayMs >= 1 && delayMs <= 59999 ? delayMs : 0; }

int CommandIdForWord(std::wstring_view word) {
  if (EqualNoCase(word, L"play")) return kCommandPlay;
  if (EqualNoCase(word, L"stop")) return kCommandStop;
  if (EqualNoCase(word, L"quit")) return kCommandQuit;
  return 0;
}

}  // namespace orvane
