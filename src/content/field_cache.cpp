#include "content/field_cache.h"

#include "base/module_state.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <new>

namespace {

// A folder view asks a document's fields one after the other, or one field
// of every document when sorting by it, then the next: a folder of a
// thousand documents is read once per document, not once per column.
constexpr std::uint32_t kMaxCachedDocuments = 1024;
// A real document's fields take one or two kilobytes here; one built to
// fill every custom property to the cap a few hundred. Past this many bytes
// in all, the least recently used documents are let go.
constexpr std::size_t kMaxCachedBytes = 8u * 1024 * 1024;

// A value as the cache keeps it: its text in the document's text pool.
struct CompactValue {
    bool present;
    std::int32_t number;
    FILETIME time;
    std::uint32_t textStart;
    std::uint32_t textLength;
};

// One document: its key, its values, and every text of it one after the
// other in one allocation (the path first, the full text last).
struct CachedDocument {
    std::uint64_t pathHash;
    std::uint32_t pathLength;
    std::uint64_t size;
    FILETIME lastWrite;
    std::uint64_t lastUse;
    bool readable;
    CompactValue values[kMaxFields];
    std::uint32_t fullTextStart;
    std::uint32_t fullTextLength;
    std::size_t bytes;  // the record and its pool
    ScopedMalloc<wchar_t> pool;
};

// Held only while the cache is searched, filled or copied from: never
// across a read of a document.
SRWLOCK g_cacheLock = SRWLOCK_INIT;
CachedDocument* g_cache[kMaxCachedDocuments] = {};
std::size_t g_cachedBytes = 0;
std::uint64_t g_useClock = 0;

struct DocumentKey {
    const wchar_t* path;
    std::uint32_t pathLength;
    std::uint64_t pathHash;
    std::uint64_t size;
    FILETIME lastWrite;
};

// FNV-1a over the path's characters folded to upper case, as the file
// system compares names.
std::uint64_t PathHash(const wchar_t* path, std::uint32_t length)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint32_t i = 0; i < length; ++i) {
        wchar_t character = path[i];
        CharUpperBuffW(&character, 1);
        hash = (hash ^ character) * 1099511628211ull;
    }
    return hash;
}

bool KeyOf(const wchar_t* documentPath, DocumentKey& key)
{
    if (documentPath == nullptr)
        return false;
    const std::size_t length = std::wcslen(documentPath);
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (length == 0 || length >= kWidePathCapacity ||
        !GetFileAttributesExW(documentPath, GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    const auto pathLength = static_cast<std::uint32_t>(length);
    key = {documentPath, pathLength, PathHash(documentPath, pathLength),
           std::uint64_t{attributes.nFileSizeHigh} << 32 | attributes.nFileSizeLow, attributes.ftLastWriteTime};
    return true;
}

bool Matches(const CachedDocument& cached, const DocumentKey& key)
{
    return cached.pathHash == key.pathHash && cached.size == key.size &&
           CompareFileTime(&cached.lastWrite, &key.lastWrite) == 0 &&
           CompareStringOrdinal(cached.pool.get(), static_cast<int>(cached.pathLength), key.path,
                                static_cast<int>(key.pathLength), TRUE) == CSTR_EQUAL;
}

// Under the lock.
CachedDocument* FindCached(const DocumentKey& key)
{
    for (CachedDocument* cached : g_cache) {
        if (cached != nullptr && Matches(*cached, key)) {
            cached->lastUse = ++g_useClock;
            return cached;
        }
    }
    return nullptr;
}

// Under the lock: the slot of the least recently used document other than
// keep; kMaxCachedDocuments when there is none.
std::uint32_t OldestSlot(const CachedDocument* keep)
{
    std::uint32_t oldest = kMaxCachedDocuments;
    for (std::uint32_t i = 0; i < kMaxCachedDocuments; ++i) {
        if (g_cache[i] != nullptr && g_cache[i] != keep &&
            (oldest == kMaxCachedDocuments || g_cache[i]->lastUse < g_cache[oldest]->lastUse))
            oldest = i;
    }
    return oldest;
}

// Under the lock: an empty slot, or else the least recently used one.
std::uint32_t SlotToFree()
{
    for (std::uint32_t i = 0; i < kMaxCachedDocuments; ++i) {
        if (g_cache[i] == nullptr)
            return i;
    }
    return OldestSlot(nullptr);
}

void Free(std::uint32_t slot)
{
    if (g_cache[slot] == nullptr)
        return;
    g_cachedBytes -= g_cache[slot]->bytes;
    delete g_cache[slot];
    g_cache[slot] = nullptr;
}

// Under the lock: takes the document in, letting the least recently used
// go while there is no room. A document larger than the whole budget alone
// stays, for the pieces of its full text still to come.
CachedDocument* Insert(CachedDocument* document)
{
    document->lastUse = ++g_useClock;
    const std::uint32_t slot = SlotToFree();
    Free(slot);
    g_cache[slot] = document;
    g_cachedBytes += document->bytes;
    while (g_cachedBytes > kMaxCachedBytes) {
        const std::uint32_t oldest = OldestSlot(document);
        if (oldest == kMaxCachedDocuments)
            break;
        Free(oldest);
    }
    return document;
}

// The document's fields packed: the path and every text into one pool.
CachedDocument* Pack(const DocumentKey& key, const DocumentFields& fields)
{
    std::unique_ptr<CachedDocument> packed(new (std::nothrow) CachedDocument{});
    if (packed == nullptr)
        return nullptr;
    std::size_t characters = key.pathLength + fields.fullTextLength;
    for (const FieldValue& value : fields.values)
        characters += value.present ? std::wcslen(value.text) : 0;
    packed->pool.reset(static_cast<wchar_t*>(std::malloc((characters + 1) * sizeof(wchar_t))));
    if (packed->pool == nullptr)
        return nullptr;
    wchar_t* pool = packed->pool.get();
    std::wmemcpy(pool, key.path, key.pathLength);
    auto at = key.pathLength;
    for (std::uint32_t i = 0; i < kMaxFields; ++i) {
        const FieldValue& value = fields.values[i];
        const auto length = value.present ? static_cast<std::uint32_t>(std::wcslen(value.text)) : 0;
        packed->values[i] = {value.present, value.number, value.time, at, length};
        std::wmemcpy(pool + at, value.text, length);
        at += length;
    }
    packed->fullTextStart = at;
    packed->fullTextLength = fields.fullTextLength;
    if (fields.fullTextLength > 0)
        std::wmemcpy(pool + at, fields.fullText.get(), fields.fullTextLength);
    pool[characters] = L'\0';
    packed->pathHash = key.pathHash;
    packed->pathLength = key.pathLength;
    packed->size = key.size;
    packed->lastWrite = key.lastWrite;
    packed->readable = fields.readable;
    packed->bytes = sizeof(CachedDocument) + (characters + 1) * sizeof(wchar_t);
    return packed.release();
}

class ExclusiveLock {
public:
    ExclusiveLock() { AcquireSRWLockExclusive(&g_cacheLock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&g_cacheLock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

using UseFields = FieldResult (*)(const CachedDocument& document, void* context);

// Runs use on the document's fields under the lock, reading the document
// first (outside the lock) when the cache has it not.
FieldResult WithDocumentFields(const wchar_t* documentPath, UseFields use, void* context)
{
    DocumentKey key = {};
    if (!KeyOf(documentPath, key))
        return FieldResult::FileError;
    {
        const ExclusiveLock lock;
        if (const CachedDocument* cached = FindCached(key))
            return cached->readable ? use(*cached, context) : FieldResult::FileError;
    }
    const std::unique_ptr<DocumentFields> fields(new (std::nothrow) DocumentFields);
    if (fields == nullptr)
        return FieldResult::FileError;
    ReadDocumentFields(documentPath, *fields);
    std::unique_ptr<CachedDocument> document(Pack(key, *fields));
    if (document == nullptr)
        return FieldResult::FileError;
    const ExclusiveLock lock;
    // Another thread may have read it meanwhile: the same bytes, so either
    // copy is right; the one cached first stays.
    const CachedDocument* cached = FindCached(key);
    if (cached == nullptr)
        cached = Insert(document.release());
    return cached->readable ? use(*cached, context) : FieldResult::FileError;
}

struct FieldRequest {
    std::uint32_t index;
    FieldValue* value;
};

FieldResult CopyField(const CachedDocument& document, void* context)
{
    const auto* request = static_cast<FieldRequest*>(context);
    const CompactValue& cached = document.values[request->index];
    FieldValue& value = *request->value;
    value.present = cached.present;
    value.number = cached.number;
    value.time = cached.time;
    std::wmemcpy(value.text, document.pool.get() + cached.textStart, cached.textLength);
    value.text[cached.textLength] = L'\0';
    return value.present ? FieldResult::Value : FieldResult::Empty;
}

struct FullTextRequest {
    std::uint32_t from;
    wchar_t* text;
    std::uint32_t capacity;
    std::uint32_t* copied;
};

FieldResult CopyFullText(const CachedDocument& document, void* context)
{
    const auto* request = static_cast<FullTextRequest*>(context);
    if (request->from >= document.fullTextLength)
        return FieldResult::Empty;
    const wchar_t* start = document.pool.get() + document.fullTextStart + request->from;
    const std::uint32_t left = document.fullTextLength - request->from;
    std::uint32_t count = left < request->capacity - 1 ? left : request->capacity - 1;
    // A pair of surrogates is one character: the piece ends before it.
    if (count > 0 && count < left && start[count - 1] >= 0xD800 && start[count - 1] <= 0xDBFF)
        --count;
    if (count == 0)
        return FieldResult::Empty;
    std::wmemcpy(request->text, start, count);
    request->text[count] = L'\0';
    *request->copied = count;
    return FieldResult::Value;
}

}  // namespace

FieldResult GetDocumentField(const wchar_t* documentPath, std::uint32_t fieldIndex, FieldValue& value)
{
    value = {};
    if (fieldIndex >= kMaxFields)
        return FieldResult::Empty;
    FieldRequest request = {fieldIndex, &value};
    return WithDocumentFields(documentPath, &CopyField, &request);
}

FieldResult GetDocumentFullText(const wchar_t* documentPath, std::uint32_t from, wchar_t* text,
                                std::uint32_t capacity, std::uint32_t* copied)
{
    *copied = 0;
    if (capacity < 2)
        return FieldResult::Empty;
    FullTextRequest request = {from, text, capacity, copied};
    return WithDocumentFields(documentPath, &CopyFullText, &request);
}

void ForgetCachedDocuments()
{
    const ExclusiveLock lock;
    for (std::uint32_t slot = 0; slot < kMaxCachedDocuments; ++slot)
        Free(slot);
}
