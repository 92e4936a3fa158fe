#pragma once
// A hash table from text keys to values of one type, with separate chaining. Keys compare equal
// ignoring case by the user locale's rules. The dictionary owns its nodes and the values in them: when
// an entry is cleared its value is first handed to the dispose-data hook (for values that own something
// the dictionary cannot release by itself, such as a raw pointer), then destroyed with its node.
//
// The value type is part of the dictionary's type, so a reader cannot take a value for something else
// than what the writer stored.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Exception.h"

// Errors raised by the containers.
class EStContainerError : public Exception {
public:
    using Exception::Exception;
};

// Base of the containers: the entry count and a recursive lock that every operation holds for its whole
// duration.
class TStContainer {
public:
    TStContainer() = default;
    virtual ~TStContainer() = default;
    TStContainer(const TStContainer&) = delete;
    TStContainer& operator=(const TStContainer&) = delete;

    std::int64_t Count() const {
        std::lock_guard lock(FLock);
        return FCount;
    }

protected:
    mutable std::recursive_mutex FLock;
    std::int64_t FCount = 0;
};

// The default hash: the key in upper case (user locale), each byte rotated left by its
// position mod 32 and combined with exclusive or, modulo size. ".txt" gives 838, bucket 88 of 250.
std::uint32_t AnsiHashText(std::string_view key, std::uint32_t size);
// The default equality: compares the keys' upper-case forms (user locale).
int AnsiCompareText(std::string_view a, std::string_view b);

template <typename T>
class TStDictionary;

template <typename T>
class TStDictNode {
public:
    const std::string& Name() const { return FName; }
    const T& Data() const { return FData; }
    const TStDictNode* Next() const { return FNext; }

private:
    friend class TStDictionary<T>;
    TStDictNode(std::string name, T data) : FName(std::move(name)), FData(std::move(data)) {}

    std::string FName;
    T FData;
    TStDictNode* FNext = nullptr;
};

template <typename T>
class TStDictionary : public TStContainer {
public:
    // Bucket of a key: its hash modulo hashSize (hashSize is at least 1).
    using THashFunc = std::function<std::uint32_t(std::string_view key, std::uint32_t hashSize)>;
    // Three-way comparison; 0 means equal.
    using TEqualFunc = std::function<int(std::string_view a, std::string_view b)>;
    // The hook that releases what an entry's value owns; when both are set, the event is used.
    using TDisposeDataProc = void (*)(T& data);
    using TDisposeDataEvent = std::function<void(TStContainer* sender, T& data)>;

    // An empty dictionary with hashSize buckets; a size below 1 raises "Bad size parameter".
    explicit TStDictionary(std::int32_t hashSize) : FHash(AnsiHashText), FEqual(AnsiCompareText) {
        SetHashSize(hashSize);
    }
    ~TStDictionary() override { Clear(); }

    // Inserts at the head of the key's chain. An equal key present already is refused with
    // "Attempt to add duplicate node to TStTree" and the table is unchanged.
    void Add(const std::string& key, T data) {
        std::lock_guard lock(FLock);
        std::uint32_t bucket;
        TNode* prev;
        if (Lookup(key, bucket, prev)) throw EStContainerError("Attempt to add duplicate node to TStTree");
        auto* node = new TNode(key, std::move(data));
        node->FNext = FBuckets[bucket];
        FBuckets[bucket] = node;
        ++FCount;
    }

    // True and a copy of the entry's value when an equal key exists (data is untouched otherwise); the
    // entry moves to the head of its chain.
    bool Find(std::string_view key, T& data) {
        std::lock_guard lock(FLock);
        std::uint32_t bucket;
        TNode* prev;
        TNode* node = Lookup(key, bucket, prev);
        if (!node) return false;
        if (prev) {  // move to front: the next lookup of this key stops at the first node
            prev->FNext = node->FNext;
            node->FNext = FBuckets[bucket];
            FBuckets[bucket] = node;
        }
        data = node->FData;
        return true;
    }

    // Hands every entry's value to the dispose-data hook and removes all entries.
    void Clear() {
        std::lock_guard lock(FLock);
        for (TNode*& head : FBuckets) {
            while (head) {
                TNode* node = head;
                head = node->FNext;
                // Unlinked before the hook runs, so a hook that looks into the dictionary sees no freed node.
                --FCount;
                try {
                    DoDisposeData(node->FData);
                } catch (...) {
                    delete node;
                    throw;
                }
                delete node;
            }
        }
        FCount = 0;
    }

    // Changes the bucket count and re-inserts every entry; no value is disposed of or copied.
    void SetHashSize(std::int32_t size) {
        std::lock_guard lock(FLock);
        if (size < 1) throw EStContainerError("Bad size parameter");
        if (static_cast<std::size_t>(size) == FBuckets.size()) return;
        std::vector<TNode*> old(static_cast<std::size_t>(size), nullptr);
        old.swap(FBuckets);
        FCount = 0;
        // Every node moves to its new bucket, chains walked from their heads, key and value unchanged.
        for (TNode* head : old) {
            while (head) {
                TNode* node = head;
                head = node->FNext;
                const std::uint32_t bucket = BucketOf(node->FName);
                node->FNext = FBuckets[bucket];
                FBuckets[bucket] = node;
                ++FCount;
            }
        }
    }
    std::int32_t HashSize() const {
        std::lock_guard lock(FLock);
        return static_cast<std::int32_t>(FBuckets.size());
    }

    void SetHash(THashFunc hash) {
        std::lock_guard lock(FLock);
        FHash = std::move(hash);
    }
    void SetEqual(TEqualFunc equal) {
        std::lock_guard lock(FLock);
        FEqual = std::move(equal);
    }
    void SetDisposeData(TDisposeDataProc proc) {
        std::lock_guard lock(FLock);
        FDisposeData = proc;
    }
    void SetOnDisposeData(TDisposeDataEvent event) {
        std::lock_guard lock(FLock);
        FOnDisposeData = std::move(event);
    }

    // First node of a bucket's chain, for inspection (nullptr when the bucket is empty).
    const TStDictNode<T>* BucketHead(std::uint32_t bucket) const {
        std::lock_guard lock(FLock);
        return bucket < FBuckets.size() ? FBuckets[bucket] : nullptr;
    }

private:
    using TNode = TStDictNode<T>;
    std::vector<TNode*> FBuckets;
    THashFunc FHash;
    TEqualFunc FEqual;
    TDisposeDataProc FDisposeData = nullptr;
    TDisposeDataEvent FOnDisposeData;

    std::uint32_t BucketOf(std::string_view key) const {
        return FHash(key, static_cast<std::uint32_t>(FBuckets.size())) % FBuckets.size();
    }
    // Finds the node with an equal key; prev is its predecessor (nullptr at the head).
    TNode* Lookup(std::string_view key, std::uint32_t& bucket, TNode*& prev) const {
        bucket = BucketOf(key);
        prev = nullptr;
        for (TNode* node = FBuckets[bucket]; node; prev = node, node = node->FNext)
            if (FEqual(node->FName, key) == 0) return node;
        prev = nullptr;
        return nullptr;
    }
    void DoDisposeData(T& data) {
        if (FOnDisposeData)
            FOnDisposeData(this, data);
        else if (FDisposeData)
            FDisposeData(data);
    }
};
