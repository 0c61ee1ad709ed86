#pragma once

#include "sonaroaudio.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace sonaroaudio {

// Maps 32-bit handles to objects. A handle is (generation << 16 | slot + 1),
// and a slot's generation moves on when it is freed, so a stale handle never
// reaches a newer object. Any thread.
template <typename T>
class HandleTable {
public:
    static constexpr size_t kSlots = 0xFFFF;

    AUDIO_HANDLE insert(std::shared_ptr<T> object)
    {
        std::lock_guard lock(mutex_);
        size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else if (slots_.size() < kSlots) {
            index = slots_.size();
            slots_.push_back(Slot{});
        } else {
            return 0;
        }
        slots_[index].object = std::move(object);
        return AUDIO_HANDLE(slots_[index].generation) << 16 | AUDIO_HANDLE(index + 1);
    }

    std::shared_ptr<T> get(AUDIO_HANDLE handle) const
    {
        std::lock_guard lock(mutex_);
        const Slot *slot = find(handle);
        return slot ? slot->object : nullptr;
    }

    std::shared_ptr<T> remove(AUDIO_HANDLE handle)
    {
        std::lock_guard lock(mutex_);
        Slot *slot = const_cast<Slot *>(find(handle));
        if (!slot)
            return nullptr;
        auto object = std::move(slot->object);
        slot->object.reset();
        slot->generation = uint16_t(slot->generation % 0xFFFF + 1); // 1..65535, never 0
        free_.push_back((handle & 0xFFFF) - 1);
        return object;
    }

    template <typename Pred>
    std::vector<std::shared_ptr<T>> collect(Pred pred) const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::shared_ptr<T>> out;
        for (const auto &slot : slots_)
            if (slot.object && pred(*slot.object))
                out.push_back(slot.object);
        return out;
    }

    std::vector<AUDIO_HANDLE> handles() const
    {
        std::lock_guard lock(mutex_);
        std::vector<AUDIO_HANDLE> out;
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object)
                out.push_back(AUDIO_HANDLE(slots_[i].generation) << 16 | AUDIO_HANDLE(i + 1));
        return out;
    }

private:
    struct Slot {
        uint16_t generation = 1;
        std::shared_ptr<T> object;
    };

    const Slot *find(AUDIO_HANDLE handle) const
    {
        const size_t index = handle & 0xFFFF;
        if (index == 0 || index > slots_.size())
            return nullptr;
        const Slot &slot = slots_[index - 1];
        if (!slot.object || slot.generation != (handle >> 16))
            return nullptr;
        return &slot;
    }

    mutable std::mutex mutex_;
    std::vector<Slot> slots_;   // guarded by mutex_
    std::vector<size_t> free_;  // guarded by mutex_
};

} // namespace sonaroaudio
