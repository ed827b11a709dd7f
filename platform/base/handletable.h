// Objects by id, for owners that hand out ids instead of pointers (windows, GDI objects,
// sound streams and channels, the engine's files). Ids count up from 1 in the order they are
// taken, never 0 and positive as an int. Past the last id they start again at 1, skipping
// ids in use: an id comes back only after every other id of the range has been handed out
// (2^31 creations with the default range), so a stale id finds nothing until then and a
// table whose objects come and go (pens, brushes, DCs of every paint) never runs dry. A
// stale id that outlives a whole round finds a live record of the same table: wrong, but
// never freed memory. Iteration goes in id order. Not locked: the owner guards its table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace zem {

template <class T, int CountBits = 16>
class HandleTable {
public:
    // At most this many objects (reserved ids included) at once.
    static constexpr uint32_t kMaxSlots = (1u << CountBits) - 1;
    static constexpr uint32_t kLastId = 0x7FFFFFFF;

    explicit HandleTable(uint32_t capacity = kMaxSlots, uint32_t lastId = kLastId)
        : capacity_(std::min(capacity, kMaxSlots))
    {
        SetLastId(lastId);
    }

    // Ids run from 1 to lastId (at most kLastId); a small range lets a test go round it.
    // The range also bounds how many objects live at once.
    void SetLastId(uint32_t lastId)
    {
        idRangeEnd_ = std::clamp<uint32_t>(lastId, 1, kLastId);
        if (lastId_ > idRangeEnd_)
            lastId_ = 0;
    }

    // The object's new id; 0 when the table is full.
    uint32_t Add(std::shared_ptr<T> object)
    {
        const uint32_t id = Reserve();
        if (id)
            Put(id, std::move(object));
        return id;
    }

    // Takes an id for an object made later (Put); until then the id finds nothing. 0 as Add.
    uint32_t Reserve()
    {
        if (objects_.size() + reserved_.size() >= std::min(capacity_, idRangeEnd_))
            return 0;
        do
            lastId_ = lastId_ >= idRangeEnd_ ? 1 : lastId_ + 1;
        while (objects_.count(lastId_) || reserved_.count(lastId_));
        reserved_.insert(lastId_);
        return lastId_;
    }

    // False when id is not reserved.
    bool Put(uint32_t id, std::shared_ptr<T> object)
    {
        if (reserved_.erase(id) == 0)
            return false;
        objects_.emplace(id, std::move(object));
        return true;
    }

    // Null for a stale, reserved or unknown id.
    const std::shared_ptr<T>& Find(uint32_t id) const
    {
        static const std::shared_ptr<T> none;
        const auto found = objects_.find(id);
        return found == objects_.end() ? none : found->second;
    }

    // The object, or null; a reserved id is given up.
    std::shared_ptr<T> Remove(uint32_t id)
    {
        reserved_.erase(id);
        const auto found = objects_.find(id);
        if (found == objects_.end())
            return nullptr;
        std::shared_ptr<T> object = std::move(found->second);
        objects_.erase(found);
        return object;
    }

    // Calls f(id, object) for every object; f may not add or remove.
    template <class F>
    void ForEach(F&& f) const
    {
        for (const auto& [id, object] : objects_)
            f(id, object);
    }

    std::vector<std::shared_ptr<T>> RemoveAll()
    {
        std::vector<std::shared_ptr<T>> objects;
        for (auto& [id, object] : objects_)
            objects.push_back(std::move(object));
        objects_.clear();
        reserved_.clear();
        return objects;
    }

    // Walks the objects (not the ids), in id order.
    class const_iterator {
    public:
        using Inner = typename std::map<uint32_t, std::shared_ptr<T>>::const_iterator;
        explicit const_iterator(Inner inner) : inner_(inner) {}
        const std::shared_ptr<T>& operator*() const { return inner_->second; }
        const_iterator& operator++()
        {
            ++inner_;
            return *this;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        Inner inner_;
    };
    const_iterator begin() const { return const_iterator(objects_.begin()); }
    const_iterator end() const { return const_iterator(objects_.end()); }
    size_t size() const { return objects_.size(); }
    bool empty() const { return objects_.empty(); }

private:
    uint32_t capacity_;
    uint32_t idRangeEnd_ = kLastId;
    uint32_t lastId_ = 0;
    std::map<uint32_t, std::shared_ptr<T>> objects_;
    std::set<uint32_t> reserved_;
};

}  // namespace zem
