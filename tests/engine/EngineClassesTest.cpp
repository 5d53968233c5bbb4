#include "base/EngineClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tv {
namespace {

// A named item that counts its order comparisons, its live instances and logs its hooks.
struct TProbe : TNamedItem {
  static inline int Comparisons = 0;
  static inline int Live = 0;
  static inline std::vector<std::string>* Log = nullptr;

  TProbe() { ++Live; }
  explicit TProbe(std::string name) : TNamedItem(std::move(name)) { ++Live; }
  ~TProbe() override { --Live; }

  bool Precedes(const TItem* Other) const override {
    ++Comparisons;
    return TNamedItem::Precedes(Other);
  }
  // Records what the container has done at the moment of each hook: counted, owned, linked.
  void Attached() override { Note("attach"); }
  void Detached() override { Note("detach"); }
  void Note(const char* What) {
    if (Log == nullptr) return;
    Log->push_back(std::string(What) + " " + Name + " count=" + std::to_string(Container->GetCount()) +
                   " linked=" + std::to_string(Container->IndexOf(this) != 0));
  }
};

std::vector<std::string> Names(const TContainer& C) {
  std::vector<std::string> out;
  for (TItem* it : C) out.push_back(static_cast<TNamedItem*>(it)->Name);
  return out;
}

TProbe* Add(TContainer& C, const std::string& Name, bool InOrder = true) {
  return static_cast<TProbe*>(C.Insert(new TProbe(Name), InOrder));
}

// Walks the chain both ways and checks every link, back-reference, the count and Current.
void ExpectValidChain(const TContainer& C) {
  TItem* head = C.GetHead();
  TItem* tail = C.GetTail();
  ASSERT_EQ(head->Prev, nullptr);
  ASSERT_EQ(tail->Next, nullptr);
  ASSERT_EQ(head->Container, &C);
  ASSERT_EQ(tail->Container, &C);
  int32_t n = 0;
  bool currentSeen = C.GetCurrent() == head;
  for (TItem* it = head; it != tail; it = it->Next) {
    ASSERT_EQ(it->Next->Prev, it);
    if (it != head) {
      ++n;
      ASSERT_EQ(it->Container, &C);
      currentSeen = currentSeen || it == C.GetCurrent();
    }
  }
  EXPECT_EQ(n, C.GetCount());
  EXPECT_TRUE(currentSeen) << "Current must be Head or an item of the chain";
}

class ContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TProbe::Comparisons = 0;
    TProbe::Live = 0;
    TProbe::Log = nullptr;
  }
  void TearDown() override {
    TProbe::Log = nullptr;
    EXPECT_EQ(TProbe::Live, 0) << "items leaked or destroyed twice";
  }
};

TEST_F(ContainerTest, EmptyContainerAndPositionLookups) {
  TContainer c(true, true);
  ExpectValidChain(c);
  EXPECT_EQ(c.First(), nullptr);
  EXPECT_EQ(c.Last(), nullptr);
  EXPECT_EQ(c.GetCurrent(), c.GetHead());
  EXPECT_FALSE(c.AllNamed());
  EXPECT_EQ(c.Find("a"), nullptr);
  EXPECT_EQ(c.GetCurrent(), c.GetHead());

  TProbe* a = Add(c, "a");
  TProbe* b = Add(c, "b");
  EXPECT_EQ(c.GetItem(0), nullptr);
  EXPECT_EQ(c.GetItem(-1), nullptr);
  EXPECT_EQ(c.GetItem(3), nullptr);
  EXPECT_EQ(c.GetItem(1), a);
  EXPECT_EQ(c.GetItem(2), b);
  EXPECT_EQ(c.IndexOf(b), 2);
  EXPECT_EQ(a->GetPrev(), nullptr);
  EXPECT_EQ(a->GetNext(), b);
  EXPECT_EQ(b->GetNext(), nullptr);
  EXPECT_TRUE(b->IsLast());
  EXPECT_FALSE(a->IsLast());

  TContainer other(false, true);
  TProbe* foreign = Add(other, "a");
  EXPECT_EQ(c.IndexOf(foreign), 0);
  EXPECT_TRUE(c.AllNamed());
  c.Insert(new TItem(), false);
  EXPECT_FALSE(c.AllNamed());
  c.Clear();  // the plain item is owned too; a leak shows up under the sanitizers
}

TEST_F(ContainerTest, SortedInsertionPlacesTiesAfterEqualKeysFromEitherSide) {
  TContainer c(true, true);
  TProbe* b1 = Add(c, "b");
  Add(c, "a");
  TProbe* b2 = Add(c, "b");  // Current is "a": forward walk past b1
  Add(c, "c");
  EXPECT_EQ(Names(c), (std::vector<std::string>{"a", "b", "b", "c"}));
  EXPECT_EQ(c.GetItem(2), b1);
  EXPECT_EQ(c.GetItem(3), b2);

  // Current is "c": the backward walk must stop at the last "b", not the first.
  TProbe* b3 = Add(c, "b");
  EXPECT_EQ(c.GetItem(4), b3);
  EXPECT_EQ(c.GetCurrent(), b3);

  // Ordering is unsigned and byte-wise; a shorter name sorts before its extensions.
  Add(c, "\xE9");
  Add(c, "bb");
  Add(c, "B");
  EXPECT_EQ(Names(c), (std::vector<std::string>{"B", "a", "b", "b", "b", "bb", "c", "\xE9"}));
  ExpectValidChain(c);
}

TEST_F(ContainerTest, AppendingLeavesCurrentAndUnsortedContainersKeepArrivalOrder) {
  TContainer c(true, true);
  Add(c, "m");
  TProbe* current = Add(c, "n");
  Add(c, "a", false);
  EXPECT_EQ(Names(c), (std::vector<std::string>{"m", "n", "a"}));
  EXPECT_EQ(c.GetCurrent(), current);

  TContainer u(false, true);
  Add(u, "z");
  Add(u, "a");
  EXPECT_EQ(Names(u), (std::vector<std::string>{"z", "a"}));
  EXPECT_EQ(u.GetCurrent(), u.GetHead());
}

TEST_F(ContainerTest, OrderedInsertionFollowingTheChainCostsOneComparison) {
  TContainer c(true, true);
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "k%04d", i);
    TProbe::Comparisons = 0;
    Add(c, name);
    EXPECT_EQ(TProbe::Comparisons, i == 0 ? 0 : 1) << name;  // sentinels are plain items
  }
  // Descending arrivals are as cheap: each lands just before the previous one.
  TContainer d(true, true);
  for (int i = 200; i > 0; --i) {
    char name[16];
    std::snprintf(name, sizeof name, "k%04d", i);
    TProbe::Comparisons = 0;
    Add(d, name);
    EXPECT_LE(TProbe::Comparisons, 1) << name;
  }
  EXPECT_EQ(static_cast<TNamedItem*>(d.First())->Name, "k0001");
  ExpectValidChain(d);
}

TEST_F(ContainerTest, FindIsExactAndRemembersWhatItFound) {
  TContainer c(false, true);
  TProbe* alpha = Add(c, "Alpha");
  TProbe* beta1 = Add(c, "beta");
  TProbe* gamma = Add(c, "gamma");
  TProbe* beta2 = Add(c, "beta");

  EXPECT_EQ(c.Find("alpha"), nullptr);  // case matters
  EXPECT_EQ(c.Find("Alph"), nullptr);   // prefixes are not matches
  EXPECT_EQ(c.GetCurrent(), c.GetHead());
  EXPECT_EQ(c.Find("gamma"), gamma);
  EXPECT_EQ(c.GetCurrent(), gamma);
  // From "gamma" the forward scan reaches the later "beta" first; from there it stays put.
  EXPECT_EQ(c.Find("beta"), beta2);
  EXPECT_EQ(c.Find("beta"), beta2);
  // Unsorted: the backward scan covers what lies before Current.
  EXPECT_EQ(c.Find("Alpha"), alpha);
  EXPECT_EQ(c.Find("beta"), beta1);
  EXPECT_EQ(c.GetCurrent(), beta1);
  EXPECT_EQ(c.Find("missing"), nullptr);
  EXPECT_EQ(c.GetCurrent(), beta1);
  // Find does not go through the order predicate at all.
  EXPECT_EQ(TProbe::Comparisons, 0);
}

TEST_F(ContainerTest, SortedFindScansOnlyTheSideWhereTheNameCanLie) {
  // Build the chain z, m, a in a container marked sorted (by renaming a field behind its back and
  // appending out of order). Current is "m". A sorted container may only look after "m" for larger
  // names and before it for smaller ones, so neither stray item is found; an unsorted one finds both.
  for (bool sorted : {true, false}) {
    TContainer c(sorted, true);
    TProbe* k = Add(c, "k");
    TProbe* m = Add(c, "m");
    k->Name = "z";
    Add(c, "a", false);
    c.Find("m");
    ASSERT_EQ(c.GetCurrent(), m);
    EXPECT_EQ(c.Find("a") != nullptr, !sorted) << "sorted=" << sorted;
    c.Find("m");
    EXPECT_EQ(c.Find("z") != nullptr, !sorted) << "sorted=" << sorted;
  }
  // In a properly sorted chain both directions find their targets from any Current.
  TContainer s(true, true);
  for (const char* n : {"d", "b", "f", "a", "c", "e"}) Add(s, n);
  for (const char* from : {"a", "c", "f"}) {
    for (const char* target : {"a", "b", "c", "d", "e", "f"}) {
      s.Find(from);
      TNamedItem* found = s.Find(target);
      ASSERT_NE(found, nullptr) << from << "->" << target;
      EXPECT_EQ(found->Name, target);
    }
  }
}

TEST_F(ContainerTest, RemovalMovesCurrentToThePredecessor) {
  TContainer c(true, true);
  TProbe* a = Add(c, "a");
  TProbe* b = Add(c, "b");
  TProbe* d = Add(c, "d");
  c.Find("b");
  d->Remove();  // not current: Current stays
  EXPECT_EQ(c.GetCurrent(), b);
  b->Remove();
  EXPECT_EQ(c.GetCurrent(), a);
  a->Remove();
  EXPECT_EQ(c.GetCurrent(), c.GetHead());
  EXPECT_EQ(c.GetCount(), 0);
  ExpectValidChain(c);

  // Walks that drop the item they stand on, in both directions.
  for (const char* n : {"1", "2", "3", "4", "5"}) Add(c, n);
  for (TItem* it = c.First(); it != nullptr;) {
    const bool odd = (static_cast<TNamedItem*>(it)->Name[0] - '0') % 2 != 0;
    it = odd ? it->RemoveGetNext() : it->GetNext();
  }
  EXPECT_EQ(Names(c), (std::vector<std::string>{"2", "4"}));
  for (TItem* it = c.Last(); it != nullptr;) it = it->RemoveGetPrev();
  EXPECT_EQ(c.GetCount(), 0);
  ExpectValidChain(c);
}

TEST_F(ContainerTest, RemoveIgnoresItemsThatAreNotInTheChain) {
  TContainer c(false, false);
  TContainer other(false, true);
  TProbe free("free");
  TProbe mine("mine");
  c.Insert(&mine, false);
  TProbe* theirs = Add(other, "theirs");

  c.Remove(&free);
  c.Remove(theirs);
  c.Remove(c.GetHead());
  c.Remove(c.GetTail());
  free.Remove();
  EXPECT_EQ(free.RemoveGetNext(), nullptr);
  EXPECT_FALSE(free.Reposition());
  EXPECT_EQ(c.GetCount(), 1);
  EXPECT_EQ(other.GetCount(), 1);
  ExpectValidChain(c);
  ExpectValidChain(other);

  // A container that does not own its items leaves them to the caller.
  c.Clear();
  EXPECT_EQ(mine.Container, nullptr);
  EXPECT_EQ(TProbe::Live, 3);
}

TEST_F(ContainerTest, RenamingRepositionsOnlyInSortedContainers) {
  TContainer c(true, true);
  TProbe* a = Add(c, "a");
  TProbe* b = Add(c, "b");
  TProbe* c1 = Add(c, "c");
  Add(c, "d");
  c.Find("c");

  b->SetName("e");  // forward move
  EXPECT_EQ(Names(c), (std::vector<std::string>{"a", "c", "d", "e"}));
  EXPECT_EQ(c.GetCurrent(), c1) << "repositioning leaves Current alone";
  b->SetName("c");  // backward move, lands after the equal key
  EXPECT_EQ(Names(c), (std::vector<std::string>{"a", "c", "c", "d"}));
  EXPECT_EQ(c.GetItem(3), b);
  a->SetName("c");  // forward move past both equal keys
  EXPECT_EQ(c.GetItem(3), a);
  EXPECT_EQ(Names(c), (std::vector<std::string>{"c", "c", "c", "d"}));

  TProbe::Comparisons = 0;
  c1->SetName("c");  // same name: nothing at all happens
  EXPECT_EQ(TProbe::Comparisons, 0);
  EXPECT_EQ(c.GetItem(1), c1);
  EXPECT_FALSE(a->Reposition()) << "an item already in place does not move";
  EXPECT_EQ(c.GetItem(3), a);
  ExpectValidChain(c);

  TContainer u(false, true);
  TProbe* x = Add(u, "x");
  Add(u, "y");
  x->SetName("zz");
  EXPECT_EQ(Names(u), (std::vector<std::string>{"zz", "y"}));
}

// ---- caches ---------------------------------------------------------------------------------

TEST_F(ContainerTest, CacheGrowsByAQuarterOfWhatItMadeAndAtLeastFour) {
  TCache empty(MakeItem<TProbe>, 0);
  EXPECT_EQ(empty.GetCount(), 0);
  std::vector<TItem*> out;
  out.push_back(empty.Acquire());
  EXPECT_EQ(empty.GetCount(), 4);
  EXPECT_EQ(empty.ParkedCount(), 3);

  // Drain and grow repeatedly: 4, 8, 12, 16, 20, 25, 31, 38.
  std::vector<int32_t> sizes;
  while (sizes.size() < 7) {
    while (empty.ParkedCount() > 0) out.push_back(empty.Acquire());
    out.push_back(empty.Acquire());
    sizes.push_back(empty.GetCount());
  }
  EXPECT_EQ(sizes, (std::vector<int32_t>{8, 12, 16, 20, 25, 31, 38}));

  TCache forty(MakeItem<TProbe>, 40);
  EXPECT_EQ(forty.ParkedCount(), 40);
  for (int i = 0; i < 41; ++i) out.push_back(forty.Acquire());
  EXPECT_EQ(forty.GetCount(), 50);
  EXPECT_EQ(forty.ParkedCount(), 9);

  TCache negative(MakeItem<TProbe>, -3);
  EXPECT_EQ(negative.GetCount(), 0);
  out.push_back(negative.Acquire());
  EXPECT_EQ(negative.GetCount(), 4);

  // Items taken out belong to the caller; the caches destroy only what is parked.
  for (TItem* it : out) delete it;
}

TEST_F(ContainerTest, ClearParksEveryItemAndTheNextInsertTakesTheFirstItemBack) {
  std::vector<std::string> log;
  TContainer c(true, MakeItem<TProbe>, 2);
  const int live = TProbe::Live;
  auto* a = c.InsertNewAs<TProbe>(false);
  a->SetName("a");
  auto* b = c.InsertNewAs<TProbe>(false);
  b->SetName("b");
  auto* x = c.InsertNewAs<TProbe>(false);  // the cache grows here
  x->SetName("x");
  EXPECT_EQ(c.GetCache()->GetCount(), 6);

  TProbe::Log = &log;
  c.Clear();
  TProbe::Log = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"detach x count=3 linked=0", "detach b count=2 linked=0",
                                           "detach a count=1 linked=0"}));
  EXPECT_EQ(c.GetCount(), 0);
  EXPECT_EQ(c.GetCurrent(), c.GetHead());
  EXPECT_EQ(c.GetCache()->ParkedCount(), 6);
  EXPECT_EQ(a->GetNext(), nullptr) << "a parked item has no neighbours";
  EXPECT_EQ(TProbe::Live, live + 4) << "nothing is destroyed while the cache lives";

  // Parked items keep their fields; the last one removed comes back first.
  EXPECT_EQ(c.InsertNew(true), a);
  EXPECT_EQ(a->Name, "a");
  EXPECT_EQ(c.InsertNew(true), b);
  EXPECT_EQ(Names(c), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ContainerTest, HooksRunWhileTheItemIsCountedButNotLinked) {
  std::vector<std::string> log;
  TProbe::Log = &log;
  {
    TContainer c(true, true);
    Add(c, "a");
    Add(c, "b", false);
    c.GetItem(1)->Remove();
  }  // destruction clears the rest
  TProbe::Log = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"attach a count=1 linked=0", "attach b count=2 linked=0",
                                           "detach a count=2 linked=0", "detach b count=1 linked=0"}));
}

TEST_F(ContainerTest, SharedCacheOutlivesItsContainers) {
  auto cache = std::make_unique<TCache>(MakeItem<TProbe>, 4);
  {
    TContainer first(false, cache.get());
    TContainer second(true, cache.get());
    TItem* item = first.InsertNew(false);
    first.Remove(item);
    EXPECT_EQ(second.InsertNew(true), item) << "a removed item is reused by another container";
    for (int i = 0; i < 6; ++i) first.InsertNew(false);
    EXPECT_EQ(cache->GetCount(), 8);
  }
  EXPECT_EQ(cache->ParkedCount(), 8) << "containers return their items to the shared cache";
  EXPECT_EQ(TProbe::Live, 8);
  cache.reset();
  EXPECT_EQ(TProbe::Live, 0);

  // A container with its own cache destroys everything with itself, items in use included.
  {
    TContainer own(false, MakeItem<TProbe>, 3);
    own.InsertNew(false);
  }
  EXPECT_EQ(TProbe::Live, 0);

  TContainer plain(false, true);
  EXPECT_THROW(plain.InsertNew(false), EError);
}

// ---- randomized comparison against a plain vector -------------------------------------------

// A reference model: the chain as a vector, Current as an index (-1 for Head).
struct TModel {
  std::vector<TProbe*> Items;
  int Current = -1;

  int IndexOf(const TProbe* P) const {
    return static_cast<int>(std::find(Items.begin(), Items.end(), P) - Items.begin());
  }
  // Position after every item whose name is <= Name (ties keep arrival order).
  int UpperBound(const std::string& Name) const {
    int pos = 0;
    for (int i = 0; i < static_cast<int>(Items.size()); ++i) {
      if (Items[i]->Name <= Name) pos = i + 1;
    }
    return pos;
  }
  // A plain linear search: every index holding Name, in chain order.
  std::vector<int> Matches(const std::string& Name) const {
    std::vector<int> at;
    for (int i = 0; i < static_cast<int>(Items.size()); ++i) {
      if (Items[i]->Name == Name) at.push_back(i);
    }
    return at;
  }
};

void RunRandomized(bool Sorted, uint32_t Seed) {
  std::mt19937 rng(Seed);
  auto pick = [&](int N) { return std::uniform_int_distribution<int>(0, N - 1)(rng); };
  auto randomName = [&] {
    static const char* const kNames[] = {"", "a", "aa", "ab", "b", "B", "ba", "c", "cab", "\xFF"};
    return std::string(kNames[pick(10)]);
  };
  TCache cache(MakeItem<TProbe>, 0);
  TContainer c(Sorted, &cache);
  TModel m;
  for (int step = 0; step < 4000; ++step) {
    const int op = pick(10);
    if (op < 4 || m.Items.empty()) {  // insert, in order or appended
      const std::string name = randomName();
      const bool inOrder = Sorted;
      auto* p = static_cast<TProbe*>(cache.Acquire());
      p->Name = name;
      c.Insert(p, inOrder);
      if (inOrder) {
        const int at = m.UpperBound(name);
        m.Items.insert(m.Items.begin() + at, p);
        m.Current = at;
      } else {
        m.Items.push_back(p);
      }
    } else if (op < 6) {  // remove a random item
      const int at = pick(static_cast<int>(m.Items.size()));
      c.Remove(m.Items[at]);
      if (m.Current == at) m.Current = at - 1;
      if (m.Current > at) --m.Current;
      m.Items.erase(m.Items.begin() + at);
    } else if (op < 9) {  // find
      // Found exactly when some item has the name, whatever the scans' starting point; a unique
      // name finds its item, and a repeated one finds one of its holders, which becomes Current.
      const std::string name = randomName();
      const std::vector<int> matches = m.Matches(name);
      TNamedItem* found = c.Find(name);
      if (matches.empty()) {
        ASSERT_EQ(found, nullptr) << "step " << step << " find '" << name << "'";
      } else {
        ASSERT_NE(found, nullptr) << "step " << step << " find '" << name << "'";
        const int at = m.IndexOf(static_cast<TProbe*>(found));
        ASSERT_NE(std::find(matches.begin(), matches.end(), at), matches.end()) << "step " << step;
        if (matches.size() == 1) {
          ASSERT_EQ(at, matches[0]);
        }
        m.Current = at;
      }
    } else {  // rename
      const int at = pick(static_cast<int>(m.Items.size()));
      TProbe* p = m.Items[at];
      const std::string name = randomName();
      TProbe* current = m.Current < 0 ? nullptr : m.Items[m.Current];
      if (Sorted && name != p->Name) {  // it lands after every other item ordered before or equal
        m.Items.erase(m.Items.begin() + at);
        m.Items.insert(m.Items.begin() + m.UpperBound(name), p);
      }
      p->SetName(name);
      m.Current = current == nullptr ? -1 : m.IndexOf(current);
    }
    ASSERT_EQ(c.GetCount(), static_cast<int32_t>(m.Items.size()));
    ASSERT_EQ(c.GetCurrent(), m.Current < 0 ? c.GetHead() : m.Items[m.Current]) << "step " << step;
    if (step % 50 == 0 || step > 3950) {
      ExpectValidChain(c);
      for (int i = 0; i < static_cast<int>(m.Items.size()); ++i)
        ASSERT_EQ(c.GetItem(i + 1), m.Items[i]) << "step " << step;
    }
  }
  c.Clear();
  EXPECT_EQ(cache.ParkedCount(), cache.GetCount());
}

TEST_F(ContainerTest, RandomizedSortedAgainstReferenceModel) {
  for (uint32_t seed : {1u, 2u, 3u}) RunRandomized(true, seed);
}

TEST_F(ContainerTest, RandomizedUnsortedAgainstReferenceModel) {
  for (uint32_t seed : {4u, 5u}) RunRandomized(false, seed);
}

}  // namespace
}  // namespace tv
