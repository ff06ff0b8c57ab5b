#include "media/picture/SharedRenderings.h"

#include <cstring>
#include <map>
#include <new>

namespace orvane::picture {

std::shared_ptr<SharedRenderings> SharedRenderings::ForDevice(int32_t device) {
  // Entries of devices that no stream reads any more are replaced on their next use.
  static std::mutex registryLock;
  static std::map<int32_t, std::weak_ptr<SharedRenderings>> registry;
  const std::lock_guard<std::mutex> guard(registryLock);
  std::weak_ptr<SharedRenderings>& entry = registry[device];
  std::shared_ptr<SharedRenderings> renderings = entry.lock();
  if (!renderings) {
    renderings = std::make_shared<SharedRenderings>();
    entry = renderings;
  }
  return renderings;
}

SharedRenderings::Slot* SharedRenderings::Find(const FrameHeader& client) {
  for (Slot& slot : slots_) {
    if (slot.client == client) return &slot;
  }
  return nullptr;
}

void SharedRenderings::Join(const FrameHeader& client) {
  const std::lock_guard<std::mutex> guard(lock_);
  if (Slot* slot = Find(client)) {
    ++slot->readers;
    return;
  }
  try {
    slots_.push_back(Slot{client, 1, false, {}, {}});
  } catch (const std::bad_alloc&) {
    // Without a slot the stream renders every frame itself.
  }
}

void SharedRenderings::Leave(const FrameHeader& client) {
  const std::lock_guard<std::mutex> guard(lock_);
  for (auto slot = slots_.begin(); slot != slots_.end(); ++slot) {
    if (slot->client != client) continue;
    if (--slot->readers <= 0) slots_.erase(slot);
    return;
  }
}

bool SharedRenderings::Take(const Key& key, uint8_t* out, size_t size) {
  const std::lock_guard<std::mutex> guard(lock_);
  const Slot* slot = Find(key.client);
  if (slot == nullptr || !slot->valid || !(slot->key == key) || slot->bytes.size() != size) return false;
  std::memcpy(out, slot->bytes.data(), size);
  return true;
}

void SharedRenderings::Publish(const Key& key, const uint8_t* frame, size_t size) {
  const std::lock_guard<std::mutex> guard(lock_);
  Slot* slot = Find(key.client);
  if (slot == nullptr || slot->readers < 2) return;
  slot->valid = false;
  try {
    slot->bytes.assign(frame, frame + size);
  } catch (const std::bad_alloc&) {
    slot->bytes.clear();
    return;
  }
  slot->key = key;
  slot->valid = true;
}

}  // namespace orvane::picture
