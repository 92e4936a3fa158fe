#pragma once
// A hash table from text keys to untyped data, with separate chaining. Keys compare equal
// ignoring case by the user locale's rules. The dictionary owns its nodes, not the data: when
// an entry is cleared its data goes to the dispose-data hook.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exception.h"

// Errors raised by the containers.
class EStContainerError : public Exception {
public:
    using Exception::Exception;
};

// Base of the containers: the entry count, the dispose-data hook and a recursive lock that
// every operation holds for its whole duration.
class TStContainer {
public:
    using TDisposeDataProc = void (*)(void* data);
    using TDisposeDataEvent = std::function<void(TStContainer* sender, void* data)>;

    TStContainer() = default;
    virtual ~TStContainer() = default;
    TStContainer(const TStContainer&) = delete;
    TStContainer& operator=(const TStContainer&) = delete;

    std::int64_t Count() const;

    // The hook that releases an entry's data; when both are set, the event is used.
    void SetDisposeData(TDisposeDataProc proc);
    void SetOnDisposeData(TDisposeDataEvent event);

protected:
    void DoDisposeData(void* data);

    mutable std::recursive_mutex FLock;
    std::int64_t FCount = 0;
    TDisposeDataProc FDisposeData = nullptr;
    TDisposeDataEvent FOnDisposeData;
};

class TStDictNode {
public:
    const std::string& Name() const { return FName; }
    void* Data() const { return FData; }
    const TStDictNode* Next() const { return FNext; }

private:
    friend class TStDictionary;
    TStDictNode(std::string name, void* data) : FName(std::move(name)), FData(data) {}

    std::string FName;
    void* FData;
    TStDictNode* FNext = nullptr;
};

class TStDictionary : public TStContainer {
public:
    // Bucket of a key: its hash modulo hashSize (hashSize is at least 1).
    using THashFunc = std::function<std::uint32_t(std::string_view key, std::uint32_t hashSize)>;
    // Three-way comparison; 0 means equal.
    using TEqualFunc = std::function<int(std::string_view a, std::string_view b)>;

    // An empty dictionary with hashSize buckets; a size below 1 raises "Bad size parameter".
    explicit TStDictionary(std::int32_t hashSize);
    ~TStDictionary() override;

    // Inserts at the head of the key's chain. An equal key present already is refused with
    // "Attempt to add duplicate node to TStTree" and the table is unchanged.
    void Add(const std::string& key, void* data);
    // True and the entry's data when an equal key exists; the entry moves to the head of its chain.
    bool Find(std::string_view key, void*& data);
    // Hands every entry's data to the dispose-data hook and removes all entries.
    void Clear();
    // Changes the bucket count and re-inserts every entry without disposing of its data.
    void SetHashSize(std::int32_t size);
    std::int32_t HashSize() const;

    void SetHash(THashFunc hash);
    void SetEqual(TEqualFunc equal);

    // First node of a bucket's chain, for inspection (nullptr when the bucket is empty).
    const TStDictNode* BucketHead(std::uint32_t bucket) const;

private:
    // Finds the node with an equal key; prev is its predecessor (nullptr at the head).
    TStDictNode* Lookup(std::string_view key, std::uint32_t& bucket, TStDictNode*& prev) const;

    std::vector<TStDictNode*> FBuckets;
    THashFunc FHash;
    TEqualFunc FEqual;
};

// The default hash: the key in upper case (user locale), each byte rotated left by its
// position mod 32 and combined with exclusive or, modulo size. ".txt" gives 838, bucket 88 of 250.
std::uint32_t AnsiHashText(std::string_view key, std::uint32_t size);
// The default equality: compares the keys' upper-case forms (user locale).
int AnsiCompareText(std::string_view a, std::string_view b);
