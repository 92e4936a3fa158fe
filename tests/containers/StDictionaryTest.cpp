#include "containers/StDictionary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

void* Tag(intptr_t n) { return reinterpret_cast<void*>(n); }

// Keys of one bucket, head first.
std::vector<std::string> Chain(const TStDictionary& d, std::uint32_t bucket) {
    std::vector<std::string> keys;
    for (const TStDictNode* n = d.BucketHead(bucket); n; n = n->Next()) keys.push_back(n->Name());
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
    TStDictionary d(250);
    d.Add(".txt", Tag(1));
    d.Add("Straße", Tag(2));
    void* data = nullptr;
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
    TStDictionary d(250);
    d.Add(".été", Tag(1));
    void* data = nullptr;
    EXPECT_TRUE(d.Find(".ÉTÉ", data));
    EXPECT_THROW(d.Add(".ÉtÉ", Tag(2)), EStContainerError);
}

TEST(StDictionary, DuplicateIsRefusedAndTableUnchanged) {
    TStDictionary d(250);
    d.Add(".TXT", Tag(1));
    try {
        d.Add(".txt", Tag(2));
        FAIL() << "duplicate accepted";
    } catch (const EStContainerError& e) {
        EXPECT_STREQ(e.what(), "Attempt to add duplicate node to TStTree");
    }
    EXPECT_EQ(d.Count(), 1);
    void* data = nullptr;
    ASSERT_TRUE(d.Find(".txt", data));
    EXPECT_EQ(data, Tag(1));
}

TEST(StDictionary, FindMovesEntryToHeadOfChain) {
    TStDictionary d(1);  // one bucket: every key shares the chain
    d.Add("a", Tag(1));
    d.Add("b", Tag(2));
    d.Add("c", Tag(3));
    EXPECT_EQ(Chain(d, 0), (std::vector<std::string>{"c", "b", "a"}));
    void* data = nullptr;
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
    TStDictionary d(250);
    d.SetDisposeData([](void*) { ++procCalls; });
    d.Clear();  // empty: no hook
    EXPECT_EQ(procCalls, 0);

    for (int i = 0; i < 10; ++i) d.Add("k" + std::to_string(i), Tag(i + 1));
    d.Clear();
    EXPECT_EQ(procCalls, 10);
    EXPECT_EQ(d.Count(), 0);
    void* data = nullptr;
    EXPECT_FALSE(d.Find("k1", data));

    std::vector<void*> seen;
    d.SetOnDisposeData([&](TStContainer* sender, void* p) {
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
        TStDictionary d(3);
        d.SetOnDisposeData([&](TStContainer*, void*) { ++calls; });
        for (int i = 0; i < 50; ++i) d.Add(std::to_string(i), Tag(i));
    }
    EXPECT_EQ(calls, 50);
}

TEST(StDictionary, ResizeKeepsEveryEntryAndDisposesNothing) {
    int calls = 0;
    TStDictionary d(250);
    d.SetOnDisposeData([&](TStContainer*, void*) { ++calls; });
    for (int i = 0; i < 500; ++i) d.Add("key" + std::to_string(i), Tag(i + 1));
    d.SetHashSize(7);
    EXPECT_EQ(d.HashSize(), 7);
    d.SetHashSize(7);  // same size: nothing happens
    d.SetHashSize(1000);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(d.Count(), 500);
    for (int i = 0; i < 500; ++i) {
        void* data = nullptr;
        ASSERT_TRUE(d.Find("KEY" + std::to_string(i), data)) << i;
        EXPECT_EQ(data, Tag(i + 1));
    }
    // The hook is back on after re-sizing.
    d.Clear();
    EXPECT_EQ(calls, 500);
}

TEST(StDictionary, BadSizeIsRefused) {
    EXPECT_THROW(TStDictionary(0), EStContainerError);
    TStDictionary d(5);
    d.Add("a", Tag(1));
    try {
        d.SetHashSize(-3);
        FAIL();
    } catch (const EStContainerError& e) {
        EXPECT_STREQ(e.what(), "Bad size parameter");
    }
    EXPECT_EQ(d.HashSize(), 5);
    void* data = nullptr;
    EXPECT_TRUE(d.Find("a", data));
}

TEST(StDictionary, LockIsRecursiveAndGuardsOtherThreads) {
    TStDictionary d(250);
    d.Add("outer", Tag(1));
    // A hook that looks into the same dictionary re-enters the lock on the same thread.
    bool foundDuringClear = true;
    d.SetOnDisposeData([&](TStContainer*, void*) {
        void* data = nullptr;
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
