#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "shell/FolderSizeCache.h"

namespace {

TEST(ShellFolderSizeCache, HitOnlyWithTheSameMaskAndFresh) {
    TFolderSizeCache cache;
    TFolderTotals totals;
    EXPECT_FALSE(cache.Lookup("c:\\a\\", "*.*", totals));
    cache.Store("c:\\a\\", "*.*", {100, 4096, 2});
    ASSERT_TRUE(cache.Lookup("c:\\a\\", "*.*", totals));
    EXPECT_EQ(totals, (TFolderTotals{100, 4096, 2}));
    EXPECT_FALSE(cache.Lookup("c:\\a\\", "*.bak", totals));
    EXPECT_FALSE(cache.Lookup("c:\\A\\", "*.*", totals));  // keys are compared exactly

    // Another mask overwrites the one entry.
    cache.Store("c:\\a\\", "*.bak", {7, 8, 1});
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_FALSE(cache.Lookup("c:\\a\\", "*.*", totals));
    ASSERT_TRUE(cache.Lookup("c:\\a\\", "*.bak", totals));
    EXPECT_EQ(totals.Size, 7);

    // Stale: size -1, used and count kept, no hit until stored again.
    EXPECT_TRUE(cache.MarkStale("c:\\a\\"));
    EXPECT_FALSE(cache.MarkStale("c:\\b\\"));
    EXPECT_FALSE(cache.Lookup("c:\\a\\", "*.bak", totals));
    TFolderSizeEntry entry;
    ASSERT_TRUE(cache.Find("c:\\a\\", entry));
    EXPECT_EQ(entry, (TFolderSizeEntry{"c:\\a\\", "*.bak", {-1, 8, 1}}));
    cache.Store("c:\\a\\", "*.bak", {9, 9, 1});
    EXPECT_TRUE(cache.Lookup("c:\\a\\", "*.bak", totals));
    EXPECT_EQ(cache.Count(), 2u);  // c:\b\ has a stale entry now
    EXPECT_FALSE(cache.Lookup("c:\\b\\", "", totals));
}

TEST(ShellFolderSizeCache, MasksOver255BytesAreNeverStored) {
    TFolderSizeCache cache;
    TFolderTotals totals;
    const std::string exact(255, '*');
    EXPECT_TRUE(cache.Store("k\\", exact, {1, 1, 1}));
    EXPECT_TRUE(cache.Lookup("k\\", exact, totals));

    // A longer mask that shares its first 255 bytes with another: storing it under the cut form would
    // answer for the shorter mask with the longer mask's totals.
    const std::string longer = exact + ".txt";
    EXPECT_FALSE(cache.Store("k\\", longer, {2, 2, 2}));
    EXPECT_FALSE(cache.Lookup("k\\", longer, totals));
    ASSERT_TRUE(cache.Lookup("k\\", exact, totals));
    EXPECT_EQ(totals, (TFolderTotals{1, 1, 1}));
    EXPECT_FALSE(cache.Store("new\\", longer, {2, 2, 2}));
    EXPECT_EQ(cache.Count(), 1u);
}

TEST(ShellFolderSizeCache, TotalsReadBeforeAnInvalidationAreNotStored) {
    TFolderSizeCache cache;
    TFolderTotals totals;
    struct TCase {
        const char* Name;
        bool EntryBefore;
    };
    for (TCase c : {TCase{"entry", true}, TCase{"no entry yet", false}}) {
        SCOPED_TRACE(c.Name);
        cache.Clear();
        if (c.EntryBefore) cache.Store("k\\", "*", {1, 1, 1});
        const std::uint64_t listedAt = cache.Generation();
        EXPECT_EQ(cache.MarkStale("k\\"), c.EntryBefore);
        EXPECT_GT(cache.Generation(), listedAt);
        EXPECT_FALSE(cache.Store("k\\", "*", {2, 2, 2}, listedAt));  // read before the change
        EXPECT_FALSE(cache.Lookup("k\\", "*", totals));
        EXPECT_TRUE(cache.Store("k\\", "*", {3, 3, 3}, cache.Generation()));  // read after it
        ASSERT_TRUE(cache.Lookup("k\\", "*", totals));
        EXPECT_EQ(totals, (TFolderTotals{3, 3, 3}));
    }
    // Other keys are not held back by the invalidation.
    const std::uint64_t before = cache.Generation();
    cache.MarkStale("k\\");
    EXPECT_TRUE(cache.Store("other\\", "*", {4, 4, 4}, before));
}

// A change in a folder makes its own listing stale; its ancestors only have their totals made stale.
// Each mark takes a new generation, which Store compares, and a Clear voids whatever was derived.
TEST(ShellFolderSizeCache, ListingAndTotalsStampsApart) {
    TFolderSizeCache cache;
    cache.Store("c:\\a\\", "*", {1, 1, 1});
    EXPECT_EQ(cache.Stamps("c:\\a\\"), (TFolderSizeStamps{}));
    const std::uint64_t before = cache.Generation();
    EXPECT_TRUE(cache.MarkTotalsStale("c:\\a\\"));
    const TFolderSizeStamps totals = cache.Stamps("c:\\a\\");
    EXPECT_GT(totals.TotalsStaleAt, before);
    EXPECT_EQ(totals.ListingStaleAt, 0u);
    EXPECT_FALSE(cache.Store("c:\\a\\", "*", {2, 2, 2}, before));
    EXPECT_FALSE(cache.MarkStale("c:\\a\\b\\"));  // no entry yet: a stale one is made
    const TFolderSizeStamps listing = cache.Stamps("c:\\a\\b\\");
    EXPECT_EQ(listing.ListingStaleAt, listing.TotalsStaleAt);
    EXPECT_GT(listing.ListingStaleAt, totals.TotalsStaleAt);
    const std::uint64_t clears = cache.Clears();
    cache.Clear();
    EXPECT_EQ(cache.Clears(), clears + 1);
    EXPECT_EQ(cache.Stamps("c:\\a\\b\\"), (TFolderSizeStamps{}));
}

// Many folders at once: each is stored as Store would; one read before its invalidation makes the
// answer false and stays stale, the others are stored.
TEST(ShellFolderSizeCache, StoreAllRefusesWhatWasReadBeforeAnInvalidation) {
    TFolderSizeCache cache;
    const std::uint64_t listedAt = cache.Generation();
    cache.MarkStale("b\\");
    EXPECT_FALSE(cache.StoreAll(
        {{"a\\", {1, 1, 1}, listedAt}, {"b\\", {2, 2, 2}, listedAt}, {"c\\", {3, 3, 3}, listedAt}}, "*.txt"));
    TFolderTotals totals;
    EXPECT_TRUE(cache.Lookup("a\\", "*.txt", totals));
    EXPECT_FALSE(cache.Lookup("b\\", "*.txt", totals));
    ASSERT_TRUE(cache.Lookup("c\\", "*.txt", totals));
    EXPECT_EQ(totals.Count, 3);
    EXPECT_TRUE(cache.StoreAll({{"b\\", {2, 2, 2}, cache.Generation()}}, "*.txt"));
    EXPECT_FALSE(cache.StoreAll({{"d\\", {4, 4, 4}, 0}}, std::string(300, '*')));  // too long a mask
}

TEST(ShellFolderSizeCache, ManyKeysAllFoundAfterGrowing) {
    TFolderSizeCache cache;
    const int n = 100000;
    for (int i = 0; i < n; ++i)
        cache.Store("/tree/d" + std::to_string(i % 313) + "/f" + std::to_string(i) + "/", "*.*", {i, 0, i});
    EXPECT_EQ(cache.Count(), static_cast<std::size_t>(n));
    TFolderTotals totals;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(cache.Lookup("/tree/d" + std::to_string(i % 313) + "/f" + std::to_string(i) + "/", "*.*", totals))
            << i;
        ASSERT_EQ(totals.Size, i);
    }
    EXPECT_FALSE(cache.Lookup("/tree/d0/f1/", "*.*", totals));
    // Entries keep the order they were first stored in.
    auto entries = cache.Entries();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(entries[12345].Totals.Count, 12345);
    // An entry costs well under 200 bytes with keys of this length.
    EXPECT_LT(cache.MemoryBytes() / n, 120u);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_FALSE(cache.Lookup("/tree/d0/f0/", "*.*", totals));
}

TEST(ShellFolderSizeCache, LongAndOddKeys) {
    TFolderSizeCache cache;
    const std::string huge(70000, 'k');  // longer than an arena block
    cache.Store(huge, "*", {1, 2, 3});
    cache.Store("", "*", {4, 5, 6});
    cache.Store(std::string("a\0b", 3), "*", {7, 8, 9});
    TFolderTotals totals;
    ASSERT_TRUE(cache.Lookup(huge, "*", totals));
    EXPECT_EQ(totals.Count, 3);
    ASSERT_TRUE(cache.Lookup("", "*", totals));
    EXPECT_EQ(totals.Count, 6);
    ASSERT_TRUE(cache.Lookup(std::string("a\0b", 3), "*", totals));
    EXPECT_EQ(totals.Count, 9);
    EXPECT_FALSE(cache.Lookup("a", "*", totals));
}

TEST(ShellFolderSizeCache, SafeFromSeveralThreads) {
    TFolderSizeCache cache;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&cache, t] {
            TFolderTotals totals;
            for (int i = 0; i < 5000; ++i) {
                std::string key = "/t" + std::to_string(t) + "/" + std::to_string(i) + "/";
                cache.Store(key, "*.*", {i, 0, 0});
                if (!cache.Lookup(key, "*.*", totals) || totals.Size != i) std::abort();
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(cache.Count(), 20000u);
}

}  // namespace
