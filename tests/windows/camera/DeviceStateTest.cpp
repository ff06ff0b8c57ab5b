#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/camera/state/DeviceState.h"
#include "platform/win/PerformanceCounter.h"
#include "platform/win/UniqueResource.h"

namespace orvane::state {
namespace {

constexpr DWORD kProcessTimeoutMs = 60000;  // generous: other builds share this machine

std::vector<uint8_t> Record(int width, int height, uint8_t fill) {
  const FrameHeader header{FramePixelType::YUY2, width, height, 2 * width};
  std::vector<uint8_t> record(16 + size_t(2 * width) * height, fill);
  std::memcpy(record.data(), &header, sizeof header);
  return record;
}

std::wstring PeerPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"camera_state_peer.exe";
}

// A peer process, killed if the test ends before it does.
class Peer {
 public:
  explicit Peer(const std::wstring& arguments) {
    std::wstring line = L"\"" + PeerPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      process_.reset(info.hProcess);
      CloseHandle(info.hThread);
    }
  }
  ~Peer() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 99);
      WaitForSingleObject(process_.get(), kProcessTimeoutMs);
    }
  }
  bool started() const { return static_cast<bool>(process_); }
  HANDLE handle() const { return process_.get(); }
  // The exit code, or -1 when it did not end in time.
  long Finish() {
    if (WaitForSingleObject(process_.get(), kProcessTimeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<long>(code);
  }

 private:
  UniqueHandle process_;
};

// A named event with a name unique to this test run.
struct NamedEvent {
  explicit NamedEvent(const wchar_t* role) {
    static int counter = 0;
    name = L"Local\\OrvaneStateTest." + std::wstring(role) + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(++counter);
    event.reset(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
  }
  std::wstring name;
  UniqueHandle event;
};

// Opens the state; the test fails when it cannot.
std::unique_ptr<DeviceState> OpenState(int32_t device) {
  std::unique_ptr<DeviceState> state;
  std::string why;
  const HRESULT result = DeviceState::Open(device, state, &why);
  EXPECT_EQ(result, S_OK) << why;
  return state;
}

int32_t Count(DeviceState& state) {
  int32_t count = -1;
  EXPECT_EQ(state.CountClients(count), S_OK);
  return count;
}

TEST(DeviceState, SettingsAreSharedAndChecked) {
  auto first = OpenState(4100);
  auto second = OpenState(4100);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(second->Settings().outputFormat, (OutputFormat{1280, 720, 30, 0, 0}));

  EXPECT_EQ(first->SetOutputFormat({1920, 1080, 25, 1, 2}), S_OK);
  EXPECT_EQ(first->SetFillMode(2), S_OK);
  EXPECT_EQ(first->SetMirror(1), S_OK);
  EXPECT_EQ(first->SetFlip(1), S_OK);
  EXPECT_EQ(first->SetDriverValue64(-5000000000LL), S_OK);
  IdlePicturePayload idle;
  ASSERT_TRUE(MakeIdlePicturePayload(idle, L"C:\\pictures\\away.png"));
  EXPECT_EQ(first->SetIdlePicture(idle), S_OK);
  EXPECT_EQ(first->SetDriverParameter(7, 70), S_OK);
  EXPECT_EQ(first->SetDriverParameter(7, 71), S_OK);

  // Refusals change nothing.
  EXPECT_EQ(first->SetFillMode(3), E_INVALIDARG);
  EXPECT_EQ(first->SetFillMode(-1), E_INVALIDARG);
  EXPECT_EQ(first->SetMirror(2), E_INVALIDARG);
  EXPECT_EQ(first->SetFlip(-1), E_INVALIDARG);
  IdlePicturePayload unterminated;
  for (char16_t& unit : unterminated.path) unit = u'a';
  EXPECT_EQ(first->SetIdlePicture(unterminated), E_INVALIDARG);

  const StateSettings seen = second->Settings();
  EXPECT_EQ(seen.outputFormat, (OutputFormat{1920, 1080, 25, 1, 2}));
  EXPECT_EQ(seen.fillMode, 2);
  EXPECT_EQ(seen.mirror, 1);
  EXPECT_EQ(seen.flip, 1);
  EXPECT_EQ(seen.driverValue64, -5000000000LL);
  EXPECT_EQ(std::u16string(seen.idlePicturePath), u"C:\\pictures\\away.png");
  EXPECT_EQ(second->GetDriverParameter(7), 71);
  EXPECT_EQ(second->GetDriverParameter(8), 0);

  for (int32_t key = 100; key < 100 + int32_t(kDriverParameterSlots) - 1; ++key) {
    ASSERT_EQ(first->SetDriverParameter(key, key), S_OK);
  }
  EXPECT_EQ(first->SetDriverParameter(999, 1), HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES));
  EXPECT_EQ(first->SetDriverParameter(7, 72), S_OK);  // a known key still changes
  EXPECT_EQ(second->GetDriverParameter(999), 0);
}

// A section of the device's name that is not a state of this version is refused, never used.
TEST(DeviceState, RefusesAMismatchedSection) {
  struct Case {
    const char* what;
    int32_t device;
    void (*spoil)(StateHeader&);
    HRESULT expected;
  };
  const Case cases[] = {
      {"foreign", 4110, [](StateHeader& h) { h.magic = 0x12345678; }, HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)},
      {"other version", 4111, [](StateHeader& h) { h.version = kStateVersion + 1; },
       HRESULT_FROM_WIN32(ERROR_REVISION_MISMATCH)},
      {"wrong header size", 4112, [](StateHeader& h) { h.headerSize = 100; }, HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
      {"capacity beyond the section", 4113, [](StateHeader& h) { h.frameCapacity = 64u << 20; },
       HRESULT_FROM_WIN32(ERROR_INVALID_DATA)},
  };
  for (const Case& c : cases) {
    const uint32_t capacity = 4096;
    const uint64_t size = SectionSize(capacity);
    UniqueHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, DWORD(size),
                                            StateSectionName(c.device).c_str()));
    ASSERT_TRUE(section) << c.what;
    void* view = MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    InitialiseState(view, capacity);
    c.spoil(*static_cast<StateHeader*>(view));
    UnmapViewOfFile(view);

    std::unique_ptr<DeviceState> state;
    std::string why;
    EXPECT_EQ(DeviceState::Open(c.device, state, &why), c.expected) << c.what;
    EXPECT_FALSE(state) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
  std::unique_ptr<DeviceState> state;
  EXPECT_EQ(DeviceState::Open(-1, state), E_INVALIDARG);
  EXPECT_EQ(DeviceState::Open(65536, state), E_INVALIDARG);
}

TEST(DeviceState, FramesAreCheckedAndCopied) {
  std::unique_ptr<DeviceState> state;
  ASSERT_EQ(DeviceState::Open(4120, state, nullptr, 16 + 4096), S_OK);
  std::vector<uint8_t> copy;
  FrameInfo info;
  EXPECT_EQ(state->CopyLatestFrame(copy, info), StateError::NoFrame);
  const std::vector<uint8_t> frame = Record(32, 16, 9);
  ASSERT_EQ(state->SetFrame(frame.data(), frame.size()), S_OK);
  EXPECT_EQ(state->SetFrame(frame.data(), frame.size() - 1), E_INVALIDARG);
  EXPECT_EQ(state->SetFrame(nullptr, 0), E_INVALIDARG);
  const std::vector<uint8_t> large = Record(64, 64, 1);
  EXPECT_EQ(state->SetFrame(large.data(), large.size()), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_EQ(state->CopyLatestFrame(copy, info), StateError::None);
  EXPECT_EQ(copy, frame);
  EXPECT_EQ(state->FrameCounter(), 1u);
  const uint64_t now = static_cast<uint64_t>(PerformanceCounterTime());
  EXPECT_LE(info.publishedTime, now);
  EXPECT_GT(info.publishedTime + 600000000, now) << "published within the last minute";
}

// A producer in another process, two readers (another process and this one): no copy is ever torn.
TEST(DeviceState, ProcessesShareFramesWithoutTearing) {
  const int32_t device = 4130;
  auto state = OpenState(device);
  ASSERT_TRUE(state);
  NamedEvent ready(L"Ready");
  Peer reader(L"read " + std::to_wstring(device) + L" " + ready.name);
  ASSERT_TRUE(reader.started());
  ASSERT_EQ(WaitForSingleObject(ready.event.get(), kProcessTimeoutMs), WAIT_OBJECT_0);

  std::unique_ptr<ClientRegistration> client;
  ASSERT_EQ(state->RegisterClient(client), S_OK);
  uint64_t seen = state->FrameCounter();
  Peer producer(L"produce " + std::to_wstring(device) + L" 2000");
  ASSERT_TRUE(producer.started());
  std::vector<uint8_t> copy;
  FrameInfo info;
  int copies = 0;
  for (bool end = false; !end;) {
    const uint64_t counter = client->WaitForFrame(seen, 10000);
    ASSERT_NE(counter, seen) << "no frame for 10 s";
    seen = counter;
    if (state->CopyLatestFrame(copy, info) != StateError::None) continue;
    ++copies;
    for (size_t i = 17; i < copy.size(); ++i) ASSERT_EQ(copy[i], copy[16]) << "torn at byte " << i;
    FrameHeader header;
    std::memcpy(&header, copy.data(), sizeof header);
    end = header.width == 2;
  }
  EXPECT_GT(copies, 1);
  EXPECT_EQ(producer.Finish(), 0);
  EXPECT_EQ(reader.Finish(), 0) << "1: torn frame, 2: no frame, 3: could not open";
}

TEST(DeviceState, WaitingTimesOutWithoutFrames) {
  auto state = OpenState(4140);
  ASSERT_TRUE(state);
  std::unique_ptr<ClientRegistration> client;
  ASSERT_EQ(state->RegisterClient(client), S_OK);
  const uint64_t seen = state->FrameCounter();
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(client->WaitForFrame(seen, 200), seen);
  EXPECT_GE(GetTickCount64() - start, 150u);
}

TEST(DeviceState, CountsClientApplicationsAndForgetsKilledOnes) {
  const int32_t device = 4150;
  auto state = OpenState(device);
  ASSERT_TRUE(state);
  EXPECT_EQ(Count(*state), 0);
  NamedEvent quit(L"Quit");
  NamedEvent readyA(L"ReadyA"), readyB(L"ReadyB");
  Peer a(L"client " + std::to_wstring(device) + L" " + readyA.name + L" " + quit.name);
  Peer b(L"client " + std::to_wstring(device) + L" " + readyB.name + L" " + quit.name);
  ASSERT_TRUE(a.started() && b.started());
  ASSERT_EQ(WaitForSingleObject(readyA.event.get(), kProcessTimeoutMs), WAIT_OBJECT_0);
  ASSERT_EQ(WaitForSingleObject(readyB.event.get(), kProcessTimeoutMs), WAIT_OBJECT_0);
  EXPECT_EQ(Count(*state), 2);

  // Two filter instances in this process count as one more application.
  std::unique_ptr<ClientRegistration> mine1, mine2;
  ASSERT_EQ(state->RegisterClient(mine1), S_OK);
  ASSERT_EQ(state->RegisterClient(mine2), S_OK);
  EXPECT_EQ(Count(*state), 3);
  mine1.reset();
  mine2.reset();
  EXPECT_EQ(Count(*state), 2);

  // A crashed client holds its entry until the next count notices.
  ASSERT_TRUE(TerminateProcess(a.handle(), 1));
  ASSERT_EQ(WaitForSingleObject(a.handle(), kProcessTimeoutMs), WAIT_OBJECT_0);
  EXPECT_EQ(Count(*state), 1);

  ASSERT_TRUE(SetEvent(quit.event.get()));
  EXPECT_EQ(b.Finish(), 0);
  EXPECT_EQ(Count(*state), 0);
}

// Checks a copied frame as a client would before showing it.
bool IsWholeRecord(const std::vector<uint8_t>& record, uint32_t capacity) {
  if (record.size() < sizeof(FrameHeader) || record.size() > capacity) return false;
  FrameHeader header;
  std::memcpy(&header, record.data(), sizeof header);
  const CheckedFrame checked = CheckFrameGeometry(header);
  return checked.ok() && checked.recordSize() == record.size();
}

// Starts a peer and waits until it says it is ready; false when it ends or hangs first.
bool StartPeer(Peer& peer, const NamedEvent& ready) {
  if (!peer.started()) return false;
  const HANDLE handles[] = {ready.event.get(), peer.handle()};
  return WaitForMultipleObjects(2, handles, FALSE, kProcessTimeoutMs) == WAIT_OBJECT_0;
}

// Another process of the session writes garbage into every part of the section, without the lock,
// while this process produces, reads frames and settings, registers and counts clients, and opens
// the device again. Every call returns (a frame, a clean refusal, "no frame"), nothing it hands out
// fails its checks, and once the garbage stops the writers put the device right again.
TEST(DeviceState, HostileProcessCannotCrashOrStallAClient) {
  const int32_t device = 4170;
  const uint32_t capacity = 16 + 64 * 64 * 2;
  std::unique_ptr<DeviceState> state;
  ASSERT_EQ(DeviceState::Open(device, state, nullptr, capacity), S_OK);
  const std::vector<uint8_t> frame = Record(32, 16, 9);
  const std::vector<uint8_t> large = Record(64, 128, 3);  // beyond the slots
  ASSERT_EQ(state->SetOutputFormat({640, 480, 15, 0, 0}), S_OK);
  ASSERT_EQ(state->SetFrame(frame.data(), frame.size()), S_OK);
  std::unique_ptr<ClientRegistration> client;
  ASSERT_EQ(state->RegisterClient(client), S_OK);

  NamedEvent ready(L"Ready"), stop(L"Stop");
  Peer hostile(L"corrupt " + std::to_wstring(device) + L" " + ready.name + L" " + stop.name + L" " +
               std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(StartPeer(hostile, ready));
  std::vector<uint8_t> copy;
  FrameInfo info;
  for (int round = 0; round < 2000; ++round) {
    ASSERT_EQ(state->SetFrame(frame.data(), frame.size()), S_OK) << "round " << round;
    const StateError copied = state->CopyLatestFrame(copy, info);
    if (copied == StateError::None) {
      ASSERT_TRUE(IsWholeRecord(copy, capacity)) << "round " << round;
      ASSERT_LE(info.publishedTime, static_cast<uint64_t>(PerformanceCounterTime())) << "round " << round;
    } else {
      ASSERT_TRUE(copied == StateError::NoFrame || copied == StateError::BadRecord) << DescribeStateError(copied);
    }
    ASSERT_TRUE(AreValidSettings(state->Settings())) << "round " << round;
    if (round % 50 != 0) continue;
    int32_t count = -1;
    ASSERT_EQ(state->CountClients(count), S_OK);
    EXPECT_TRUE(count >= 0 && count <= int32_t(kClientSlots)) << count;
    std::unique_ptr<ClientRegistration> another;
    ASSERT_EQ(state->RegisterClient(another), S_OK) << "damaged entries are reclaimed, round " << round;
    // A process opening the device now checks one reading of the header and keeps to it.
    std::unique_ptr<DeviceState> late;
    const HRESULT opened = DeviceState::Open(device, late, nullptr, capacity);
    if (opened == S_OK) {
      EXPECT_EQ(late->frameCapacity(), capacity);
      EXPECT_EQ(late->SetFrame(large.data(), large.size()), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
      if (late->CopyLatestFrame(copy, info) == StateError::None) {
        ASSERT_TRUE(IsWholeRecord(copy, capacity));
      }
    } else {
      EXPECT_EQ(opened, HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    }
  }
  ASSERT_TRUE(SetEvent(stop.event.get()));
  EXPECT_EQ(hostile.Finish(), 0);

  // The writers repair what they own: the settings sequence and settings, the slot they fill.
  ASSERT_EQ(state->SetOutputFormat({320, 240, 10, 1, 1}), S_OK);
  EXPECT_EQ(state->Settings().outputFormat, (OutputFormat{320, 240, 10, 1, 1}));
  ASSERT_EQ(state->SetFrame(frame.data(), frame.size()), S_OK);
  ASSERT_EQ(state->CopyLatestFrame(copy, info), StateError::None);
  EXPECT_EQ(copy, frame);
}

// A settings writer killed in the middle of a change leaves the lock abandoned and the sequence odd,
// with half its change written. Readers keep the settings they had (a process that never read any
// gets the defaults) without waiting, and the next writer takes the lock and completes the sequence.
TEST(DeviceState, KilledSettingsWriterDoesNotStallReaders) {
  const int32_t device = 4180;
  auto writer = OpenState(device);
  auto reader = OpenState(device);
  ASSERT_TRUE(writer && reader);
  ASSERT_EQ(writer->SetOutputFormat({640, 480, 15, 0, 2}), S_OK);
  ASSERT_EQ(writer->SetFillMode(2), S_OK);
  const StateSettings good = reader->Settings();
  ASSERT_EQ(good.outputFormat, (OutputFormat{640, 480, 15, 0, 2}));
  ASSERT_EQ(good.fillMode, 2);

  NamedEvent ready(L"Ready");
  Peer dying(L"abandon-settings " + std::to_wstring(device) + L" " + ready.name + L" " +
             std::to_wstring(GetCurrentProcessId()));
  ASSERT_TRUE(StartPeer(dying, ready));
  for (int read = 0; read < 1000; ++read) {
    const StateSettings seen = reader->Settings();
    ASSERT_EQ(seen.outputFormat, good.outputFormat) << "read " << read;
    ASSERT_EQ(seen.fillMode, 2) << "read " << read;
  }
  ASSERT_TRUE(TerminateProcess(dying.handle(), 1));
  ASSERT_EQ(WaitForSingleObject(dying.handle(), kProcessTimeoutMs), WAIT_OBJECT_0);
  EXPECT_EQ(reader->Settings().outputFormat, good.outputFormat);

  ASSERT_EQ(writer->SetMirror(1), S_OK);
  auto later = OpenState(device);  // a process that arrives after the repair
  ASSERT_TRUE(later);
  for (const DeviceState* state : {reader.get(), later.get()}) {
    const StateSettings seen = state->Settings();
    EXPECT_EQ(seen.outputFormat, good.outputFormat);
    EXPECT_EQ(seen.fillMode, 2);
    EXPECT_EQ(seen.mirror, 1);
  }
}

TEST(DeviceState, DevicesAreIndependent) {
  auto one = OpenState(4160);
  auto two = OpenState(4161);
  ASSERT_TRUE(one && two);
  ASSERT_EQ(one->SetFillMode(1), S_OK);
  ASSERT_EQ(one->SetOutputFormat({640, 480, 15, 0, 0}), S_OK);
  const std::vector<uint8_t> frame = Record(8, 8, 3);
  ASSERT_EQ(one->SetFrame(frame.data(), frame.size()), S_OK);
  std::unique_ptr<ClientRegistration> client;
  ASSERT_EQ(one->RegisterClient(client), S_OK);

  EXPECT_EQ(two->Settings().fillMode, 0);
  EXPECT_EQ(two->Settings().outputFormat.width, 1280);
  EXPECT_EQ(two->FrameCounter(), 0u);
  EXPECT_EQ(Count(*two), 0);
  EXPECT_EQ(Count(*one), 1);
}

}  // namespace
}  // namespace orvane::state
