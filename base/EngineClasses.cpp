#include "base/EngineClasses.h"

#include <algorithm>

#include "platform/PlatformSystem.h"

namespace tv {

// ---- TItem ----------------------------------------------------------------------------------

bool TItem::Precedes(const TItem*) const { return Container != nullptr && Container->Head == this; }

// A free or parked item has no neighbours: while parked, Next is the cache's free-list link and
// must not be handed out as a neighbour.
TItem* TItem::GetPrev() const { return (Container == nullptr || Prev == Container->Head) ? nullptr : Prev; }

TItem* TItem::GetNext() const { return (Container == nullptr || Next == Container->Tail) ? nullptr : Next; }

bool TItem::IsLast() const { return Container != nullptr && Next == Container->Tail; }

void TItem::Remove() {
  if (Container != nullptr) Container->Remove(this);
}

TItem* TItem::RemoveGetPrev() {
  TItem* result = GetPrev();
  Remove();
  return result;
}

TItem* TItem::RemoveGetNext() {
  TItem* result = GetNext();
  Remove();
  return result;
}

bool TItem::Reposition() {
  if (Container == nullptr || this == Container->Head || this == Container->Tail) return false;
  if (Next->Precedes(this)) {
    TItem* walk = Next->Next;
    TContainer::Unlink(this);
    while (walk->Precedes(this)) walk = walk->Next;
    TContainer* owner = Container;
    owner->LinkAfter(this, walk->Prev);
    return true;
  }
  if (Prev->Precedes(this)) return false;
  TItem* walk = Prev->Prev;
  TContainer::Unlink(this);
  while (!walk->Precedes(this)) walk = walk->Prev;
  Container->LinkAfter(this, walk);
  return true;
}

// ---- TNamedItem -----------------------------------------------------------------------------

bool TNamedItem::Precedes(const TItem* Other) const {
  if (!Other->IsNamed()) return TItem::Precedes(Other);
  return NameOrderedBeforeOrEqual(Name, static_cast<const TNamedItem*>(Other)->Name);
}

void TNamedItem::SetName(std::string NewName) {
  if (NewName == Name) return;
  Name = std::move(NewName);
  if (Container != nullptr && Container->IsSorted()) Reposition();
}

// ---- TCache ---------------------------------------------------------------------------------

TCache::TCache(TItemFactory itemClass, int32_t InitialCount) : ItemClass(itemClass), Count(std::max(InitialCount, 0)) {
  for (int32_t i = 0; i < Count; ++i) Park(ItemClass());
}

TCache::~TCache() {
  while (FreeList != nullptr) {
    TItem* item = FreeList;
    FreeList = item->Next;
    delete item;
  }
}

void TCache::Park(TItem* Item) {
  Item->Next = FreeList;
  FreeList = Item;
}

TItem* TCache::Acquire() {
  if (FreeList == nullptr) {
    const int32_t grow = std::max(Count / 4, 4);
    for (int32_t i = 0; i < grow; ++i) {
      Park(ItemClass());
      ++Count;
    }
  }
  TItem* item = FreeList;
  FreeList = item->Next;
  item->Next = nullptr;
  return item;
}

int32_t TCache::ParkedCount() const {
  int32_t n = 0;
  for (TItem* it = FreeList; it != nullptr; it = it->Next) ++n;
  return n;
}

// ---- TContainer -----------------------------------------------------------------------------

TContainer::TContainer(bool sorted, bool ownsItems) : Sorted(sorted), OwnsItems(ownsItems) {
  Head = new TItem();
  Tail = new TItem();
  Head->Container = this;
  Tail->Container = this;
  Head->Next = Tail;
  Tail->Prev = Head;
  Current = Head;
}

TContainer::TContainer(bool sorted, TItemFactory ItemClass, int32_t CacheSize) : TContainer(sorted, false) {
  Cache = new TCache(ItemClass, CacheSize);
  OwnsCache = true;
}

TContainer::TContainer(bool sorted, TCache* SharedCache) : TContainer(sorted, false) { Cache = SharedCache; }

TContainer::~TContainer() {
  Clear();
  delete Head;
  delete Tail;
  if (OwnsCache) delete Cache;
}

void TContainer::LinkAfter(TItem* Item, TItem* After) {
  TItem* before = After->Next;
  Item->Prev = After;
  Item->Next = before;
  After->Next = Item;
  before->Prev = Item;
}

void TContainer::Unlink(TItem* Item) {
  Item->Prev->Next = Item->Next;
  Item->Next->Prev = Item->Prev;
}

TItem* TContainer::Insert(TItem* Item, bool InOrder) {
  ++Count;
  Item->Container = this;
  Item->Attached();
  if (!Sorted || !InOrder) {
    LinkAfter(Item, Tail->Prev);
    return Item;
  }
  if (Current->Precedes(Item)) {
    TItem* walk = Current->Next;
    while (walk->Precedes(Item)) walk = walk->Next;
    LinkAfter(Item, walk->Prev);
  } else {
    TItem* walk = Current->Prev;
    while (!walk->Precedes(Item)) walk = walk->Prev;
    LinkAfter(Item, walk);
  }
  Current = Item;
  return Item;
}

TItem* TContainer::InsertNew(bool InOrder) {
  if (Cache == nullptr) throw EError("InsertNew on a container without a cache");
  return Insert(Cache->Acquire(), InOrder);
}

void TContainer::Remove(TItem* Item) {
  // Only items of this chain can leave it; anything else (a sentinel, a free or parked item, an
  // item of another container) would corrupt the counts and links, so it is ignored.
  if (Item == nullptr || Item->Container != this || Item == Head || Item == Tail) return;
  if (Current == Item) Current = Item->Prev;
  Unlink(Item);
  Item->Detached();
  Item->Container = nullptr;
  Item->Prev = nullptr;
  Item->Next = nullptr;
  --Count;
  if (Cache != nullptr) {
    Cache->Park(Item);
  } else if (OwnsItems) {
    delete Item;
  }
}

void TContainer::Clear() {
  if (Count <= 0) return;
  Current = Tail->Prev;
  while (Current != Head) Remove(Current);
}

TItem* TContainer::First() const { return Head->Next == Tail ? nullptr : Head->Next; }

TItem* TContainer::Last() const { return Tail->Prev == Head ? nullptr : Tail->Prev; }

TItem* TContainer::GetItem(int32_t Index) const {
  if (Index < 1 || Index > Count) return nullptr;
  TItem* it = Head->Next;
  while (--Index > 0) it = it->Next;
  return it;
}

int32_t TContainer::IndexOf(const TItem* Item) const {
  int32_t index = 1;
  for (TItem* it = Head->Next; it != Tail; it = it->Next, ++index) {
    if (it == Item) return index;
  }
  return 0;
}

TNamedItem* TContainer::Find(std::string_view Name) {
  auto named = [](TItem* it) { return static_cast<TNamedItem*>(it); };
  if (Current == Head) {
    for (TItem* it = Head->Next; it != Tail; it = it->Next) {
      if (named(it)->Name == Name) {
        Current = it;
        return named(it);
      }
    }
    return nullptr;
  }
  const std::string& currentName = named(Current)->Name;
  if (currentName == Name) return named(Current);
  if (!(Sorted && NameOrderedBeforeOrEqual(Name, currentName))) {
    for (TItem* it = Current->Next; it != Tail; it = it->Next) {
      if (named(it)->Name == Name) {
        Current = it;
        return named(it);
      }
    }
  }
  if (!(Sorted && NameOrderedBeforeOrEqual(currentName, Name))) {
    for (TItem* it = Current->Prev; it != Head; it = it->Prev) {
      if (named(it)->Name == Name) {
        Current = it;
        return named(it);
      }
    }
  }
  return nullptr;
}

bool TContainer::AllNamed() const {
  if (Count <= 0) return false;
  for (TItem* it = Head->Next; it != Tail; it = it->Next) {
    if (!it->IsNamed()) return false;
  }
  return true;
}

void ShowMessage(const std::string& Text) { ShowWarningBox(Text); }

}  // namespace tv
