#include "containers/StDictionary.h"

#include <utility>

#include "platform/Locale.h"

std::int64_t TStContainer::Count() const {
    std::lock_guard lock(FLock);
    return FCount;
}

void TStContainer::SetDisposeData(TDisposeDataProc proc) {
    std::lock_guard lock(FLock);
    FDisposeData = proc;
}

void TStContainer::SetOnDisposeData(TDisposeDataEvent event) {
    std::lock_guard lock(FLock);
    FOnDisposeData = std::move(event);
}

void TStContainer::DoDisposeData(void* data) {
    if (FOnDisposeData)
        FOnDisposeData(this, data);
    else if (FDisposeData)
        FDisposeData(data);
}

std::uint32_t AnsiHashText(std::string_view key, std::uint32_t size) {
    std::string upper = UpperCaseLocale(key);
    std::uint32_t h = 0;
    for (size_t i = 0; i < upper.size(); ++i) {
        std::uint32_t c = static_cast<unsigned char>(upper[i]);
        unsigned r = static_cast<unsigned>(i % 32);
        h ^= r == 0 ? c : (c << r) | (c >> (32 - r));
    }
    return size == 0 ? h : h % size;
}

int AnsiCompareText(std::string_view a, std::string_view b) { return UpperCaseLocale(a).compare(UpperCaseLocale(b)); }

TStDictionary::TStDictionary(std::int32_t hashSize) : FHash(AnsiHashText), FEqual(AnsiCompareText) {
    SetHashSize(hashSize);
}

TStDictionary::~TStDictionary() { Clear(); }

std::int32_t TStDictionary::HashSize() const {
    std::lock_guard lock(FLock);
    return static_cast<std::int32_t>(FBuckets.size());
}

void TStDictionary::SetHash(THashFunc hash) {
    std::lock_guard lock(FLock);
    FHash = std::move(hash);
}

void TStDictionary::SetEqual(TEqualFunc equal) {
    std::lock_guard lock(FLock);
    FEqual = std::move(equal);
}

const TStDictNode* TStDictionary::BucketHead(std::uint32_t bucket) const {
    std::lock_guard lock(FLock);
    return bucket < FBuckets.size() ? FBuckets[bucket] : nullptr;
}

TStDictNode* TStDictionary::Lookup(std::string_view key, std::uint32_t& bucket, TStDictNode*& prev) const {
    bucket = FHash(key, static_cast<std::uint32_t>(FBuckets.size())) % FBuckets.size();
    prev = nullptr;
    for (TStDictNode* node = FBuckets[bucket]; node; prev = node, node = node->FNext)
        if (FEqual(node->FName, key) == 0) return node;
    prev = nullptr;
    return nullptr;
}

void TStDictionary::Add(const std::string& key, void* data) {
    std::lock_guard lock(FLock);
    std::uint32_t bucket;
    TStDictNode* prev;
    if (Lookup(key, bucket, prev)) throw EStContainerError("Attempt to add duplicate node to TStTree");
    auto* node = new TStDictNode(key, data);
    node->FNext = FBuckets[bucket];
    FBuckets[bucket] = node;
    ++FCount;
}

bool TStDictionary::Find(std::string_view key, void*& data) {
    std::lock_guard lock(FLock);
    std::uint32_t bucket;
    TStDictNode* prev;
    TStDictNode* node = Lookup(key, bucket, prev);
    if (!node) return false;
    if (prev) {  // move to front: the next lookup of this key stops at the first node
        prev->FNext = node->FNext;
        node->FNext = FBuckets[bucket];
        FBuckets[bucket] = node;
    }
    data = node->FData;
    return true;
}

void TStDictionary::Clear() {
    std::lock_guard lock(FLock);
    for (TStDictNode*& head : FBuckets) {
        while (head) {
            TStDictNode* node = head;
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

void TStDictionary::SetHashSize(std::int32_t size) {
    std::lock_guard lock(FLock);
    if (size < 1) throw EStContainerError("Bad size parameter");
    if (static_cast<size_t>(size) == FBuckets.size()) return;
    std::vector<TStDictNode*> old(static_cast<size_t>(size), nullptr);
    old.swap(FBuckets);
    FCount = 0;
    if (old.empty()) return;  // creation: nothing to re-insert
    // Re-insert every entry, chains walked from their heads, with its key and data unchanged; no data
    // is disposed of, so the hooks are off meanwhile.
    auto proc = std::exchange(FDisposeData, nullptr);
    auto event = std::exchange(FOnDisposeData, nullptr);
    for (TStDictNode* head : old) {
        while (head) {
            TStDictNode* node = head;
            head = node->FNext;
            std::uint32_t bucket = FHash(node->FName, static_cast<std::uint32_t>(FBuckets.size())) % FBuckets.size();
            node->FNext = FBuckets[bucket];
            FBuckets[bucket] = node;
            ++FCount;
        }
    }
    FDisposeData = proc;
    FOnDisposeData = std::move(event);
}
