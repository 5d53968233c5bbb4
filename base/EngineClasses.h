// Items, containers and caches: the intrusive collections every other module builds on.
//
// A TItem carries its own links. A TContainer is a doubly linked chain between two sentinel items,
// optionally kept in Precedes order, with a remembered position (Current) that makes repeated
// look-ups and ordered insertions cheap. A TCache keeps parked items of one class so that objects
// created and dropped many times a second are recycled instead of allocated.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tv {

// The one error class of the system: every failure it raises carries its message in one of these.
class EError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TContainer;
class TCache;
class TItem;

// A "class reference": a factory that makes a new, default-constructed item.
using TItemFactory = TItem* (*)();

template <class T>
TItem* MakeItem() {
  return new T();
}

class TItem {
 public:
  TItem() = default;
  TItem(const TItem&) = delete;
  TItem& operator=(const TItem&) = delete;
  virtual ~TItem() = default;

  TContainer* Container = nullptr;
  TItem* Prev = nullptr;
  TItem* Next = nullptr;  // also the free-list link while parked in a cache

  // Called by the container right after counting the item and setting Container, before linking.
  virtual void Attached() {}
  // Called by the container after unlinking, before Container is cleared and the item recycled.
  virtual void Detached() {}
  // True when this item belongs before Other or ties with it. The base answers true only for the
  // container's front sentinel, which is what stops ordered walks at either end.
  virtual bool Precedes(const TItem* Other) const;
  // True for TNamedItem and its descendants (Find and AllNamed rely on it).
  virtual bool IsNamed() const { return false; }

  // Neighbours in the chain; nullptr at either end and for an item in no container.
  TItem* GetPrev() const;
  TItem* GetNext() const;
  bool IsLast() const;
  // Takes the item out of its container (nothing for an item in none).
  void Remove();
  // Remove, returning the neighbour taken before removal: lets a walk drop the item it stands on.
  TItem* RemoveGetPrev();
  TItem* RemoveGetNext();
  // Moves the item to its place in Precedes order after its key changed; true when it moved.
  // The container's remembered position is left as it is.
  bool Reposition();
};

// Compares two names byte by byte as unsigned values; at an equal prefix the shorter comes first.
inline bool NameOrderedBeforeOrEqual(std::string_view A, std::string_view B) { return A.compare(B) <= 0; }

class TNamedItem : public TItem {
 public:
  TNamedItem() = default;
  explicit TNamedItem(std::string name) : Name(std::move(name)) {}

  std::string Name;

  bool Precedes(const TItem* Other) const override;
  bool IsNamed() const override { return true; }
  // Replaces the name when it differs; in a sorted container the item then moves to its place.
  void SetName(std::string NewName);
};

class TCache {
 public:
  TCache(TItemFactory ItemClass, int32_t InitialCount);
  TCache(const TCache&) = delete;
  TCache& operator=(const TCache&) = delete;
  ~TCache();

  // Takes a parked item, first making max(Count / 4, 4) new ones when none is parked.
  TItem* Acquire();
  // Parks an item at the front of the free list (used by TContainer::Remove).
  void Park(TItem* Item);

  int32_t GetCount() const { return Count; }
  int32_t ParkedCount() const;
  TItem* FirstParked() const { return FreeList; }

 private:
  TItemFactory ItemClass;
  int32_t Count = 0;
  TItem* FreeList = nullptr;
};

class TContainer {
 public:
  // Plain container.
  TContainer(bool Sorted, bool OwnsItems);
  // Container with its own cache of CacheSize ready items of ItemClass.
  TContainer(bool Sorted, TItemFactory ItemClass, int32_t CacheSize);
  // Container that takes its items from, and returns them to, a cache owned elsewhere.
  TContainer(bool Sorted, TCache* SharedCache);
  TContainer(const TContainer&) = delete;
  TContainer& operator=(const TContainer&) = delete;
  ~TContainer();

  // Adds a free or freshly acquired item: in order (after all equal keys, searching from Current)
  // when the container is sorted and InOrder is set, otherwise at the end.
  TItem* Insert(TItem* Item, bool InOrder);
  // Adds a new item and hands it over to the container, which owns or recycles its items (the
  // way to add an item made outside the container code, instead of a naked new). A container
  // that does neither throws EError, and the item is destroyed instead of leaking.
  template <class T>
  T* Insert(std::unique_ptr<T> Item, bool InOrder) {
    if (!OwnsItems && Cache == nullptr) throw EError("Container does not own its items");
    T* item = Item.release();
    Insert(item, InOrder);
    return item;
  }
  // Takes an item from the cache and inserts it; throws EError for a container without a cache.
  TItem* InsertNew(bool InOrder);
  // Unlinks an item of this container and parks it in the cache, destroys it (OwnsItems) or
  // leaves it to the caller. Items not in this container are ignored.
  void Remove(TItem* Item);
  // Removes every item from the last to the first.
  void Clear();

  TItem* First() const;
  TItem* Last() const;
  TItem* GetItem(int32_t Index) const;
  int32_t IndexOf(const TItem* Item) const;
  // Exact, case-sensitive look-up starting from Current; a sorted container scans only the side
  // where the name can lie. The item found becomes Current.
  TNamedItem* Find(std::string_view Name);
  bool AllNamed() const;

  int32_t GetCount() const { return Count; }
  bool IsSorted() const { return Sorted; }
  bool GetOwnsItems() const { return OwnsItems; }
  TItem* GetHead() const { return Head; }
  TItem* GetTail() const { return Tail; }
  TItem* GetCurrent() const { return Current; }
  TCache* GetCache() const { return Cache; }

  // Typed shortcuts for containers whose items are all of one class.
  template <class T>
  T* FirstAs() const {
    return static_cast<T*>(First());
  }
  template <class T>
  T* LastAs() const {
    return static_cast<T*>(Last());
  }
  template <class T>
  T* GetAs(int32_t Index) const {
    return static_cast<T*>(GetItem(Index));
  }
  template <class T>
  T* FindAs(std::string_view Name) {
    return static_cast<T*>(Find(Name));
  }
  template <class T>
  T* InsertNewAs(bool InOrder) {
    return static_cast<T*>(InsertNew(InOrder));
  }

  // Iteration over the items from first to last (the next link is read before the body runs
  // only when the body removes nothing; use RemoveGetNext to drop items during a walk).
  class Iterator {
   public:
    explicit Iterator(TItem* item) : It(item) {}
    TItem* operator*() const { return It; }
    Iterator& operator++() {
      It = It->Next;
      return *this;
    }
    bool operator!=(const Iterator& o) const { return It != o.It; }

   private:
    TItem* It;
  };
  Iterator begin() const { return Iterator(Head->Next); }
  Iterator end() const { return Iterator(Tail); }

 private:
  friend class TItem;
  void LinkAfter(TItem* Item, TItem* After);
  static void Unlink(TItem* Item);

  bool Sorted = false;
  bool OwnsItems = false;
  bool OwnsCache = false;
  int32_t Count = 0;
  TItem* Head = nullptr;
  TItem* Tail = nullptr;
  TItem* Current = nullptr;
  TCache* Cache = nullptr;
};

// A modal warning box; the start-up code reports fatal errors through it.
void ShowMessage(const std::string& Text);

inline bool TestBit8(uint8_t Value, uint8_t Mask) { return (Value & Mask) != 0; }
inline bool TestBit32(uint32_t Value, uint32_t Mask) { return (Value & Mask) != 0; }
inline bool TestBit32(int32_t Value, int32_t Mask) { return (Value & Mask) != 0; }

}  // namespace tv
