#include "device/devcon/InfPackage.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace orvane::devcon {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::string_view Trim(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

struct Line {
  int number;
  std::string key;                  // empty for a line without '='
  std::vector<std::string> values;  // comma-separated fields, unquoted, tokens not yet replaced
};

// Sections by lower-case name, lines in order. Quotes protect ';', ',' and '='; "" is a quote.
struct Document {
  std::map<std::string, std::vector<Line>> sections;
  std::string error;
};

Document Read(std::string_view text) {
  Document document;
  std::vector<Line>* section = nullptr;
  int number = 0;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    // Split into fields outside quotes, dropping the comment.
    std::vector<std::string> fields(1);
    std::string key;
    bool quoted = false, hasKey = false;
    for (size_t i = 0; i < raw.size(); ++i) {
      const char c = raw[i];
      if (c == '"') {
        if (quoted && i + 1 < raw.size() && raw[i + 1] == '"') {
          fields.back() += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
      } else if (!quoted && c == ';') {
        break;
      } else if (!quoted && c == '=' && !hasKey) {
        hasKey = true;
        key = std::string(Trim(fields.back()));
        fields.back().clear();
      } else if (!quoted && c == ',') {
        fields.emplace_back();
      } else {
        fields.back() += c;
      }
    }
    if (quoted) {
      document.error = "line " + std::to_string(number) + ": unterminated quote";
      return document;
    }
    for (std::string& field : fields) field = std::string(Trim(field));
    const std::string_view whole = Trim(raw.substr(0, raw.find(';')));
    if (!hasKey && whole.size() >= 2 && whole.front() == '[') {
      if (whole.back() != ']') {
        document.error = "line " + std::to_string(number) + ": unterminated section name";
        return document;
      }
      section = &document.sections[Lower(Trim(whole.substr(1, whole.size() - 2)))];
      continue;
    }
    if (!hasKey && fields.size() == 1 && fields[0].empty()) continue;
    if (section == nullptr) {
      document.error = "line " + std::to_string(number) + ": text before the first section";
      return document;
    }
    section->push_back(Line{number, key, fields});
  }
  return document;
}

const std::vector<Line>* Section(const Document& document, std::string_view name) {
  const auto found = document.sections.find(Lower(name));
  return found == document.sections.end() ? nullptr : &found->second;
}

// Replaces %token% by its [Strings] value; "%%" is a percent sign. Unknown tokens stay as they are.
std::string Expand(const Document& document, const std::string& text) {
  const std::vector<Line>* strings = Section(document, "Strings");
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (close == std::string::npos) {
      out += text[i];
      continue;
    }
    const std::string token = text.substr(i + 1, close - i - 1);
    std::string replacement = "%" + token + "%";
    if (token.empty()) replacement = "%";
    if (strings != nullptr) {
      for (const Line& line : *strings) {
        if (Lower(line.key) == Lower(token) && !line.values.empty()) replacement = line.values[0];
      }
    }
    out += replacement;
    i = close;
  }
  return out;
}

const Line* Find(const std::vector<Line>* lines, std::string_view key) {
  if (lines == nullptr) return nullptr;
  for (const Line& line : *lines) {
    if (Lower(line.key) == Lower(key)) return &line;
  }
  return nullptr;
}

}  // namespace

InfResult ParseDriverPackage(std::string_view text) {
  InfResult result;
  const Document document = Read(text);
  if (!document.error.empty()) {
    result.error = document.error;
    return result;
  }
  const std::vector<Line>* version = Section(document, "Version");
  if (version == nullptr || Find(version, "Signature") == nullptr) {
    result.error = "not a driver package: no [Version] section with a Signature";
    return result;
  }
  DriverPackage& package = result.package;
  if (const Line* line = Find(version, "Class")) package.className = Expand(document, line->values[0]);
  if (const Line* line = Find(version, "ClassGuid")) package.classGuid = Expand(document, line->values[0]);

  const std::vector<Line>* manufacturers = Section(document, "Manufacturer");
  if (manufacturers == nullptr || manufacturers->empty() || manufacturers->front().values[0].empty()) {
    result.error = "no [Manufacturer] entry";
    return result;
  }
  const Line& maker = manufacturers->front();
  package.manufacturer = Expand(document, maker.key.empty() ? maker.values[0] : maker.key);
  // "Models[,decoration...]": the 64-bit decoration names the section we use when it exists.
  const std::string models = maker.values[0];
  const std::vector<Line>* modelLines = nullptr;
  for (size_t i = 1; i < maker.values.size() && modelLines == nullptr; ++i) {
    if (Lower(maker.values[i]).rfind("ntamd64", 0) == 0) modelLines = Section(document, models + "." + maker.values[i]);
  }
  if (modelLines == nullptr) modelLines = Section(document, models);
  if (modelLines == nullptr) {
    result.error = "the models section of " + package.manufacturer + " is missing";
    return result;
  }
  for (const Line& line : *modelLines) {
    if (line.key.empty() || line.values.size() < 2 || line.values[1].empty()) {
      result.error = "line " + std::to_string(line.number) + ": a model needs a name, an install section and a hardware id";
      return result;
    }
    InfModel model{Expand(document, line.key), line.values[0], Expand(document, line.values[1]), {}};
    if (const Line* service = Find(Section(document, model.installSection + ".Services"), "AddService")) {
      model.service = Expand(document, service->values[0]);
    }
    package.models.push_back(model);
  }
  if (package.models.empty()) {
    result.error = "the package names no device";
    return result;
  }

  const std::vector<Line>* camera = Section(document, "VirtualCamera");
  if (const Line* line = Find(camera, "DeviceCount")) {
    const std::string& value = line->values[0];
    const bool digits = !value.empty() && value.size() <= 3 &&
                        std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); });
    package.deviceCount = digits ? std::stoi(value) : 0;
    if (package.deviceCount < 1 || package.deviceCount > kMaxPackageDevices) {
      result.error = "line " + std::to_string(line->number) + ": DeviceCount must be 1 to " +
                     std::to_string(kMaxPackageDevices);
      return result;
    }
  }
  if (const Line* line = Find(camera, "Module")) package.module = Expand(document, line->values[0]);
  if (package.module.empty()) {
    result.error = "[VirtualCamera] names no Module";
    return result;
  }
  result.ok = true;
  return result;
}

const InfModel* FindModel(const DriverPackage& package, std::string_view hardwareId) {
  for (const InfModel& model : package.models) {
    if (Lower(model.hardwareId) == Lower(hardwareId)) return &model;
  }
  return nullptr;
}

}  // namespace orvane::devcon
