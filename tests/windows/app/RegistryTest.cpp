#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/settings/CWinRegistry.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

using test::UserSettingsTest;
namespace s = settings;

const std::wstring kDeviceKey = std::wstring(s::kBaseKey) + L"\\2";

// What is stored, read back with the raw API.
struct Stored {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

Stored ReadStored(const std::wstring& key, const wchar_t* name) {
  // RegQueryValueExW hands over the bytes exactly as stored (RegGetValueW would add terminators).
  Stored stored;
  UniqueRegKey opened;
  stored.status = ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, opened.put());
  if (stored.status != ERROR_SUCCESS) return stored;
  BYTE buffer[4096];
  DWORD size = sizeof(buffer);
  stored.status = ::RegQueryValueExW(opened.get(), name, nullptr, &stored.type, buffer, &size);
  if (stored.status == ERROR_SUCCESS) stored.data.assign(buffer, buffer + size);
  return stored;
}

void Store(const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, type, data, size), ERROR_SUCCESS);
}

void CreateKey(const std::wstring& key) {
  UniqueRegKey created;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              created.put(), nullptr),
            ERROR_SUCCESS);
}

TEST_F(UserSettingsTest, FreshUserReadsEveryDefault) {
  const RegistryKeyPath base(HKEY_CURRENT_USER, s::kBaseKey);
  const RegistryKeyPath device(HKEY_CURRENT_USER, kDeviceKey);
  // With no key at all nothing can be created either: every reader gets its default.
  for (const s::NumberValue& value :
       {s::kLanguage, s::kLatestRev, s::kLatestDlRev, s::kSvrId, s::kLastRun, s::kCapWidth, s::kCapHeight,
        s::kCapFps, s::kDrvWidth, s::kDrvHeight, s::kDrvFps, s::kDrvFormat, s::kDrvOneSizeOnly,
        s::kOutputMirror, s::kOutputFlip, s::kOutputRotate, s::kOutputFillMode, s::kVidPos}) {
    EXPECT_EQ(device.Read(value), value.missing) << value.name;
    EXPECT_EQ(base.Read(value), value.missing) << value.name;
  }
  EXPECT_EQ(device.Read(s::kDrvFps), 25u);
  for (const wchar_t* text : {s::kDevName, s::kLatestVer, s::kLatestDlFile, s::kCapFormat, s::kVidFile,
                              s::kLastPlayedDevice}) {
    EXPECT_FALSE(base.ReadText(text)) << text;
    std::wstring kept = L"default";
    EXPECT_FALSE(CWinRegistry(HKEY_CURRENT_USER, kDeviceKey.c_str()).ReadText(text, kept));
    EXPECT_EQ(kept, L"default");
  }
  EXPECT_FALSE(base.HasValue(s::kLanguage.name));
  EXPECT_EQ(ReadStored(s::kBaseKey, s::kLanguage.name).status, ERROR_FILE_NOT_FOUND);
}

TEST_F(UserSettingsTest, CaptureSizeIsCreatedByItsFirstRead) {
  CreateKey(kDeviceKey);
  const RegistryKeyPath device(HKEY_CURRENT_USER, kDeviceKey);
  EXPECT_EQ(device.Read(s::kCapWidth), 0u);
  EXPECT_EQ(device.Read(s::kDrvFps), 25u);

  const Stored width = ReadStored(kDeviceKey, s::kCapWidth.name);
  ASSERT_EQ(width.status, ERROR_SUCCESS);
  EXPECT_EQ(width.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(width.data, std::vector<BYTE>(4, 0));
  EXPECT_EQ(ReadStored(kDeviceKey, s::kDrvFps.name).status, ERROR_FILE_NOT_FOUND);  // only read

  CWinRegistry registry(HKEY_CURRENT_USER, kDeviceKey.c_str());
  EXPECT_EQ(registry.Read(s::kCapFps), 0u);
  EXPECT_EQ(ReadStored(kDeviceKey, s::kCapFps.name).status, ERROR_SUCCESS);

  // A stored value wins over the default, and is not rewritten.
  const DWORD fps = 30;
  Store(kDeviceKey, s::kDrvFps.name, REG_DWORD, &fps, sizeof(fps));
  EXPECT_EQ(device.Read(s::kDrvFps), 30u);
}

TEST_F(UserSettingsTest, NumbersAreTheFirstFourBytesOfWhateverIsStored) {
  CreateKey(s::kBaseKey);
  const wchar_t text[] = L"de";  // 6 bytes with its terminator: 'd' 0 'e' 0 0 0
  Store(s::kBaseKey, s::kLanguage.name, REG_SZ, text, sizeof(text));
  const BYTE shortBinary[] = {0x34, 0x12};
  Store(s::kBaseKey, L"short", REG_BINARY, shortBinary, sizeof(shortBinary));

  const RegistryKeyPath base(HKEY_CURRENT_USER, s::kBaseKey);
  EXPECT_EQ(base.Read(s::kLanguage), 0x00650064u);
  EXPECT_EQ(base.ReadNumber(L"short", 0xFFFFFFFF), 0x1234u);  // zero-extended, not mixed with the default

  CWinRegistry registry(HKEY_CURRENT_USER, s::kBaseKey);
  DWORD number = 7;
  EXPECT_TRUE(registry.ReadNumber(s::kLanguage.name, number));
  EXPECT_EQ(number, 0x00650064u);
  int missing = 7;
  EXPECT_FALSE(registry.ReadNumber(L"absent", missing));
  EXPECT_EQ(missing, 7);  // the caller's default stays
}

TEST_F(UserSettingsTest, NumberWritesNeverReplaceAValueOfAnotherSize) {
  CreateKey(s::kBaseKey);
  const wchar_t text[] = L"de";
  Store(s::kBaseKey, s::kLanguage.name, REG_SZ, text, sizeof(text));

  CWinRegistry registry(HKEY_CURRENT_USER, s::kBaseKey, true, true);
  EXPECT_FALSE(registry.WriteNumber(s::kLanguage.name, 8));
  const RegistryKeyPath base(HKEY_CURRENT_USER, s::kBaseKey);
  EXPECT_EQ(base.WriteNumber(s::kLanguage.name, 8), ERROR_DATATYPE_MISMATCH);
  const Stored after = ReadStored(s::kBaseKey, s::kLanguage.name);
  EXPECT_EQ(after.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(after.data, std::vector<BYTE>(reinterpret_cast<const BYTE*>(text),
                                          reinterpret_cast<const BYTE*>(text) + sizeof(text)));

  // Over a 4-byte value, or none, numbers are written as 4-byte REG_DWORD.
  EXPECT_TRUE(registry.WriteNumber(s::kLastRun.name, 20517));
  EXPECT_EQ(base.WriteNumber(s::kLastRun.name, 20518), ERROR_SUCCESS);
  const Stored lastRun = ReadStored(s::kBaseKey, s::kLastRun.name);
  EXPECT_EQ(lastRun.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(base.Read(s::kLastRun), 20518u);
}

TEST_F(UserSettingsTest, TextsAreStoredWithTheirTerminator) {
  CreateKey(kDeviceKey);
  CWinRegistry registry(HKEY_CURRENT_USER, kDeviceKey.c_str());
  const RegistryKeyPath device(HKEY_CURRENT_USER, kDeviceKey);
  ASSERT_TRUE(registry.WriteText(s::kLastPlayedDevice, L"USB Camera"));
  ASSERT_EQ(device.WriteText(s::kVidFile, L""), ERROR_SUCCESS);

  const Stored camera = ReadStored(kDeviceKey, s::kLastPlayedDevice);
  EXPECT_EQ(camera.type, static_cast<DWORD>(REG_SZ));
  ASSERT_EQ(camera.data.size(), 2 * (10 + 1u));
  EXPECT_EQ(camera.data[20], 0);
  EXPECT_EQ(camera.data[21], 0);
  EXPECT_EQ(ReadStored(kDeviceKey, s::kVidFile).data, std::vector<BYTE>(2, 0));

  std::wstring text;
  EXPECT_TRUE(registry.ReadText(s::kLastPlayedDevice, text));
  EXPECT_EQ(text, L"USB Camera");
  EXPECT_EQ(device.ReadText(s::kLastPlayedDevice), L"USB Camera");
  // A read keeps the key open for querying; a write after it still works.
  EXPECT_TRUE(registry.WriteText(s::kLastPlayedDevice, L"Other"));
  EXPECT_TRUE(registry.DeleteValue(s::kVidFile));
  EXPECT_FALSE(registry.DeleteValue(s::kVidFile));
  EXPECT_EQ(device.ReadText(s::kLastPlayedDevice), L"Other");
}

TEST_F(UserSettingsTest, TextReadersRefuseWhatIsNotAUsableText) {
  CreateKey(s::kBaseKey);
  const wchar_t unterminated[] = {L'a', L'b', L'c'};
  Store(s::kBaseKey, L"unterminated", REG_SZ, unterminated, sizeof(unterminated));
  const BYTE odd[] = {'x', 0, 'y'};  // the last character's high byte is missing
  Store(s::kBaseKey, L"odd", REG_SZ, odd, sizeof(odd));
  Store(s::kBaseKey, L"empty", REG_SZ, nullptr, 0);
  const wchar_t expand[] = L"%TEMP%";
  Store(s::kBaseKey, L"expand", REG_EXPAND_SZ, expand, sizeof(expand));
  const DWORD number = 5;
  Store(s::kBaseKey, L"number", REG_DWORD, &number, sizeof(number));
  const std::wstring longest(511, L'n');  // 1024 bytes with its terminator
  const std::wstring tooLong(512, L'n');
  Store(s::kBaseKey, L"longest", REG_SZ, longest.c_str(), 1024);
  Store(s::kBaseKey, L"too_long", REG_SZ, tooLong.c_str(), 1026);

  CWinRegistry registry(HKEY_CURRENT_USER, s::kBaseKey);
  const RegistryKeyPath base(HKEY_CURRENT_USER, s::kBaseKey);
  std::wstring text;
  EXPECT_TRUE(registry.ReadText(L"unterminated", text));
  EXPECT_EQ(text, L"abc");
  EXPECT_EQ(base.ReadText(L"unterminated"), L"abc");
  EXPECT_EQ(base.ReadText(L"odd"), L"xy");
  EXPECT_EQ(base.ReadText(L"longest"), longest);
  EXPECT_FALSE(base.ReadText(L"too_long"));     // callers' buffers hold 1024 bytes
  EXPECT_TRUE(registry.ReadText(L"too_long", text));  // this reader has no such limit
  EXPECT_EQ(text, tooLong);

  for (const wchar_t* name : {L"empty", L"expand", L"number", L"absent"}) {
    std::wstring kept = L"kept";
    EXPECT_FALSE(registry.ReadText(name, kept)) << name;
    EXPECT_EQ(kept, L"kept") << name;
    EXPECT_FALSE(base.ReadText(name)) << name;
  }
}

TEST_F(UserSettingsTest, MissingKeysFailWritesWithTheirErrorUnlessCreated) {
  const RegistryKeyPath device(HKEY_CURRENT_USER, kDeviceKey);
  EXPECT_EQ(device.WriteNumber(s::kOutputMirror.name, 1), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(device.WriteText(s::kVidFile, L"x"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(CWinRegistry(HKEY_CURRENT_USER, kDeviceKey.c_str()).WriteNumber(s::kOutputMirror.name, 1));

  CWinRegistry created(HKEY_CURRENT_USER, kDeviceKey.c_str(), /*writable=*/true, /*createNow=*/true);
  EXPECT_TRUE(created.IsOpen());
  EXPECT_TRUE(created.WriteNumber(s::kOutputMirror.name, 1));
  EXPECT_EQ(device.Read(s::kOutputMirror), 1u);

  // A read-only object still writes, through a key opened for that call.
  CWinRegistry readOnly(HKEY_CURRENT_USER, kDeviceKey.c_str(), /*writable=*/false, /*createNow=*/true);
  EXPECT_TRUE(readOnly.WriteNumber(s::kOutputFlip.name, 1));
  EXPECT_EQ(device.Read(s::kOutputFlip), 1u);
}

}  // namespace
}  // namespace orvane
