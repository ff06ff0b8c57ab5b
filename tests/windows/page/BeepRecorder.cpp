#include "tests/windows/page/BeepRecorder.h"

#include <atomic>
#include <cstring>

namespace orvane::testing {
namespace {

std::atomic<int> beepCount{0};

BOOL WINAPI RecordBeep(UINT type) {
  if (type == 0xFFFFFFFF) ++beepCount;
  return TRUE;
}

// The import address table entry through which `module` calls `dll`!`function`, or null.
void** FindImport(HMODULE module, const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return nullptr;
  for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
    if (descriptor->OriginalFirstThunk == 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
        return reinterpret_cast<void**>(&addresses->u1.Function);
      }
    }
  }
  return nullptr;
}

bool WriteSlot(void** slot, void* value) {
  DWORD protection = 0;
  if (!::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection)) return false;
  *slot = value;
  ::VirtualProtect(slot, sizeof(void*), protection, &protection);
  return true;
}

}  // namespace

BeepRecorder::BeepRecorder(HMODULE module) {
  void** slot = FindImport(module, "user32.dll", "MessageBeep");
  if (slot == nullptr) return;
  void* original = *slot;
  if (!WriteSlot(slot, reinterpret_cast<void*>(&RecordBeep))) return;
  slot_ = slot;
  original_ = original;
  Reset();
}

BeepRecorder::~BeepRecorder() {
  if (slot_ != nullptr) WriteSlot(slot_, original_);
}

int BeepRecorder::defaultBeeps() const { return beepCount.load(); }

void BeepRecorder::Reset() { beepCount = 0; }

}  // namespace orvane::testing
