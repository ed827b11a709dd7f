// Objects by handle: a handle is (generation << IndexBits) | slot, never 0 and always a
// positive int. Removing an object bumps its slot's generation, so an old handle never finds
// the next object put in the same slot.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace zem {

template <class T, int IndexBits>
class HandleTable {
public:
    static constexpr uint32_t kMaxSlots = (1u << IndexBits) - 1;

    explicit HandleTable(uint32_t capacity = kMaxSlots) : capacity_(capacity < kMaxSlots ? capacity : kMaxSlots) {}

    // 0 when every slot is taken.
    uint32_t Add(std::shared_ptr<T> object)
    {
        for (uint32_t i = 0; i < slots_.size(); ++i) {
            if (!slots_[i].object) {
                slots_[i].object = std::move(object);
                return Handle(i);
            }
        }
        if (slots_.size() >= capacity_)
            return 0;
        slots_.push_back({1, std::move(object)});
        return Handle(static_cast<uint32_t>(slots_.size() - 1));
    }

    // Null for a stale or unknown handle.
    const std::shared_ptr<T>& Find(uint32_t handle) const
    {
        static const std::shared_ptr<T> none;
        const uint32_t index = handle & kMaxSlots;
        if (handle == 0 || index >= slots_.size() || slots_[index].generation != (handle >> IndexBits))
            return none;
        return slots_[index].object;
    }

    std::shared_ptr<T> Remove(uint32_t handle)
    {
        if (!Find(handle))
            return nullptr;
        Slot& slot = slots_[handle & kMaxSlots];
        slot.generation = slot.generation + 1 < kGenerations ? slot.generation + 1 : 1;
        return std::move(slot.object);
    }

    // Calls f(handle, object) for every live object; f may not add or remove.
    template <class F>
    void ForEach(F&& f) const
    {
        for (uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object)
                f(Handle(i), slots_[i].object);
    }

    std::vector<std::shared_ptr<T>> RemoveAll()
    {
        std::vector<std::shared_ptr<T>> objects;
        for (uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object)
                objects.push_back(Remove(Handle(i)));
        return objects;
    }

private:
    static constexpr uint32_t kGenerations = 1u << (31 - IndexBits);
    struct Slot {
        uint32_t generation;
        std::shared_ptr<T> object;
    };
    uint32_t Handle(uint32_t index) const { return (slots_[index].generation << IndexBits) | index; }

    uint32_t capacity_;
    std::vector<Slot> slots_;
};

}  // namespace zem
