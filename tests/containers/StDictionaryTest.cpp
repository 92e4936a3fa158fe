#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "containers/StDictionary.h"

namespace {

// Most cases store plain numbers: the table's rules do not depend on the value type.
using TDict = TStDictionary<int>;
int Tag(int n) {
    return n;
}

// Keys of one bucket, head first.
std::vector<std::string> Chain(const TDict& d, std::uint32_t bucket) {
    std::vector<std::string> keys;
    for (const TStDictNode<int>* n = d.BucketHead(bucket); n; n = n->Next()) keys.push_back(n->Name());
    return keys;
}

TEST(StDictionary, HashOfUpperCaseKeyRotatedByPosition) {
    EXPECT_EQ(AnsiHashText(".txt", 0), 838u);
    EXPECT_EQ(AnsiHashText(".txt", 250), 88u);
    EXPECT_EQ(AnsiHashText(".TXT", 250), 88u);
    EXPECT_EQ(AnsiHashText("ABC", 0), 457u);
    EXPECT_EQ(AnsiHashText("abc", 250), 207u);
    EXPECT_EQ(AnsiHashText("", 250), 0u);
    // Rotation wraps at 32 positions: byte 33 is rotated by 1, like byte 1.
    std::string longKey(33, 'A');
    std::uint32_t h = 0;
    for (int i = 0; i < 33; ++i) h ^= (i % 32 == 0) ? 65u : (65u << (i % 32)) | (65u >> (32 - i % 32));
    EXPECT_EQ(AnsiHashText(longKey, 0), h);
    // Keys of any length hash without trouble.
    EXPECT_LT(AnsiHashText(std::string(100000, '\xff'), 7), 7u);
}

TEST(StDictionary, FindIgnoresCaseAndReturnsTheSameData) {
    TDict d(250);
    d.Add(".txt", Tag(1));
    d.Add("Straße", Tag(2));
    int data = 0;
    ASSERT_TRUE(d.Find(".TXT", data));
    EXPECT_EQ(data, Tag(1));
    ASSERT_TRUE(d.Find(".Txt", data));
    EXPECT_EQ(data, Tag(1));
    ASSERT_TRUE(d.Find("STRAßE", data));
    EXPECT_EQ(data, Tag(2));

    data = Tag(99);
    EXPECT_FALSE(d.Find(".doc", data));
    EXPECT_FALSE(d.Find("", data));
    EXPECT_EQ(data, Tag(99));
    EXPECT_EQ(d.Count(), 2);
}

TEST(StDictionary, NonAsciiKeysFoldCase) {
    TDict d(250);
    d.Add(".été", Tag(1));
    int data = 0;
    EXPECT_TRUE(d.Find(".ÉTÉ", data));
    EXPECT_THROW(d.Add(".ÉtÉ", Tag(2)), EStContainerError);
}

TEST(StDictionary, DuplicateIsRefusedAndTableUnchanged) {
    TDict d(250);
    d.Add(".TXT", Tag(1));
    try {
        d.Add(".txt", Tag(2));
        FAIL() << "duplicate accepted";
    } catch (const EStContainerError& e) {
        EXPECT_STREQ(e.what(), "Attempt to add duplicate node to TStTree");
    }
    EXPECT_EQ(d.Count(), 1);
    int data = 0;
    ASSERT_TRUE(d.Find(".txt", data));
    EXPECT_EQ(data, Tag(1));
}

TEST(StDictionary, FindMovesEntryToHeadOfChain) {
    TDict d(1);  // one bucket: every key shares the chain
    d.Add("a", Tag(1));
    d.Add("b", Tag(2));
    d.Add("c", Tag(3));
    EXPECT_EQ(Chain(d, 0), (std::vector<std::string>{"c", "b", "a"}));
    int data = 0;
    ASSERT_TRUE(d.Find("A", data));
    EXPECT_EQ(data, Tag(1));
    EXPECT_EQ(Chain(d, 0), (std::vector<std::string>{"a", "c", "b"}));
    ASSERT_TRUE(d.Find("a", data));  // already at the head: nothing moves
    EXPECT_EQ(Chain(d, 0), (std::vector<std::string>{"a", "c", "b"}));
    ASSERT_TRUE(d.Find("b", data));
    EXPECT_EQ(Chain(d, 0), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(d.Count(), 3);
}

TEST(StDictionary, ClearHandsEveryDataToTheHookOnceAndEventWins) {
    static int procCalls;
    procCalls = 0;
    TDict d(250);
    d.SetDisposeData([](int&) { ++procCalls; });
    d.Clear();  // empty: no hook
    EXPECT_EQ(procCalls, 0);

    for (int i = 0; i < 10; ++i) d.Add("k" + std::to_string(i), Tag(i + 1));
    d.Clear();
    EXPECT_EQ(procCalls, 10);
    EXPECT_EQ(d.Count(), 0);
    int data = 0;
    EXPECT_FALSE(d.Find("k1", data));

    std::vector<int> seen;
    d.SetOnDisposeData([&](TStContainer* sender, int& p) {
        EXPECT_EQ(sender, &d);
        seen.push_back(p);
    });
    d.Add("x", Tag(7));
    d.Add("y", Tag(8));
    d.Clear();
    EXPECT_EQ(procCalls, 10);  // the event wins over the function
    EXPECT_EQ(seen.size(), 2u);
}

TEST(StDictionary, DestructionDisposesEachEntryOnce) {
    int calls = 0;
    {
        TDict d(3);
        d.SetOnDisposeData([&](TStContainer*, int&) { ++calls; });
        for (int i = 0; i < 50; ++i) d.Add(std::to_string(i), Tag(i));
    }
    EXPECT_EQ(calls, 50);
}

TEST(StDictionary, ResizeKeepsEveryEntryAndDisposesNothing) {
    int calls = 0;
    TDict d(250);
    d.SetOnDisposeData([&](TStContainer*, int&) { ++calls; });
    for (int i = 0; i < 500; ++i) d.Add("key" + std::to_string(i), Tag(i + 1));
    d.SetHashSize(7);
    EXPECT_EQ(d.HashSize(), 7);
    d.SetHashSize(7);  // same size: nothing happens
    d.SetHashSize(1000);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(d.Count(), 500);
    for (int i = 0; i < 500; ++i) {
        int data = 0;
        ASSERT_TRUE(d.Find("KEY" + std::to_string(i), data)) << i;
        EXPECT_EQ(data, Tag(i + 1));
    }
    // The hook is back on after re-sizing.
    d.Clear();
    EXPECT_EQ(calls, 500);
}

// Values that own something are the dictionary's: a resize moves them without a copy, clearing or
// destroying the table releases them once, after the hook has seen them.
TEST(StDictionary, OwnedValuesLiveAsLongAsTheirEntries) {
    auto probe = std::make_shared<int>(0);
    std::vector<long> useCountsSeen;
    {
        TStDictionary<std::shared_ptr<int>> d(2);
        d.SetOnDisposeData([&](TStContainer*, std::shared_ptr<int>& p) { useCountsSeen.push_back(p.use_count()); });
        for (int i = 0; i < 20; ++i) d.Add("k" + std::to_string(i), probe);
        EXPECT_EQ(probe.use_count(), 21);
        d.SetHashSize(17);
        EXPECT_EQ(probe.use_count(), 21);
        std::shared_ptr<int> found;
        ASSERT_TRUE(d.Find("K7", found));
        EXPECT_EQ(found, probe);
    }
    EXPECT_EQ(useCountsSeen.size(), 20u);
    EXPECT_EQ(useCountsSeen.front(), 21);  // the hook runs before the value goes
    EXPECT_EQ(probe.use_count(), 1);

    TStDictionary<std::string> texts(250);
    texts.Add(".txt", "Text Document");
    std::string text = "unchanged";
    EXPECT_FALSE(texts.Find(".doc", text));
    EXPECT_EQ(text, "unchanged");
    ASSERT_TRUE(texts.Find(".TXT", text));
    EXPECT_EQ(text, "Text Document");
}

TEST(StDictionary, BadSizeIsRefused) {
    EXPECT_THROW(TDict(0), EStContainerError);
    TDict d(5);
    d.Add("a", Tag(1));
    try {
        d.SetHashSize(-3);
        FAIL();
    } catch (const EStContainerError& e) {
        EXPECT_STREQ(e.what(), "Bad size parameter");
    }
    EXPECT_EQ(d.HashSize(), 5);
    int data = 0;
    EXPECT_TRUE(d.Find("a", data));
}

TEST(StDictionary, LockIsRecursiveAndGuardsOtherThreads) {
    TDict d(250);
    d.Add("outer", Tag(1));
    // A hook that looks into the same dictionary re-enters the lock on the same thread.
    bool foundDuringClear = true;
    d.SetOnDisposeData([&](TStContainer*, int&) {
        int data = 0;
        foundDuringClear = d.Find("outer", data);
    });
    d.Clear();
    EXPECT_FALSE(foundDuringClear);

    d.SetOnDisposeData(nullptr);
    std::vector<std::thread> threads;
    std::atomic<int> refused{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                try {
                    d.Add("k" + std::to_string(i), Tag(t));  // every thread adds the same keys
                } catch (const EStContainerError&) {
                    ++refused;
                }
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(d.Count(), 300);
    EXPECT_EQ(refused.load(), 900);
}

}  // namespace
