#include "content/field_cache.h"

#include "base/module_state.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <new>

namespace {

// The host asks a document's fields one after the other, from a few
// threads at once (a folder view's workers and its main thread): a few
// dozen recent documents hold every one in flight. Each entry is some
// 22 KB of values and its full text.
constexpr std::uint32_t kMaxCachedDocuments = 32;
// Real documents' custom properties make a few hundred characters of full
// text; a hostile one may make half a megabyte. Past this many characters
// in all, the least recently used documents are let go.
constexpr std::uint64_t kMaxCachedFullTextCharacters = 2ull * 1024 * 1024;

struct CachedDocument {
    wchar_t path[kWidePathCapacity];
    std::uint64_t size;
    FILETIME lastWrite;
    std::uint64_t lastUse;
    DocumentFields fields;
};

// Held only while the cache is searched, filled or copied from: never
// across a read of a document.
SRWLOCK g_cacheLock = SRWLOCK_INIT;
CachedDocument* g_cache[kMaxCachedDocuments] = {};
std::uint64_t g_useClock = 0;

struct DocumentKey {
    const wchar_t* path;
    std::uint64_t size;
    FILETIME lastWrite;
};

bool KeyOf(const wchar_t* documentPath, DocumentKey& key)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (documentPath == nullptr || std::wcslen(documentPath) >= kWidePathCapacity ||
        !GetFileAttributesExW(documentPath, GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    key = {documentPath, std::uint64_t{attributes.nFileSizeHigh} << 32 | attributes.nFileSizeLow,
           attributes.ftLastWriteTime};
    return true;
}

bool Matches(const CachedDocument& cached, const DocumentKey& key)
{
    return cached.size == key.size && CompareFileTime(&cached.lastWrite, &key.lastWrite) == 0 &&
           CompareStringOrdinal(cached.path, -1, key.path, -1, TRUE) == CSTR_EQUAL;
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

std::uint64_t CachedFullTextCharacters()
{
    std::uint64_t total = 0;
    for (const CachedDocument* cached : g_cache)
        total += cached != nullptr ? cached->fields.fullTextLength : 0;
    return total;
}

std::uint32_t LeastRecentlyUsed()
{
    std::uint32_t oldest = 0;
    for (std::uint32_t i = 1; i < kMaxCachedDocuments; ++i) {
        if (g_cache[i] == nullptr)
            return i;
        if (g_cache[oldest] != nullptr && g_cache[i]->lastUse < g_cache[oldest]->lastUse)
            oldest = i;
    }
    return oldest;
}

// Under the lock: takes the document in, letting the least recently used
// go while there is no room. Returns the entry now cached for the key.
CachedDocument* Insert(CachedDocument* document)
{
    document->lastUse = ++g_useClock;
    std::uint32_t slot = LeastRecentlyUsed();
    delete g_cache[slot];
    g_cache[slot] = document;
    while (CachedFullTextCharacters() > kMaxCachedFullTextCharacters) {
        std::uint32_t oldest = kMaxCachedDocuments;
        for (std::uint32_t i = 0; i < kMaxCachedDocuments; ++i) {
            if (g_cache[i] != nullptr && g_cache[i] != document &&
                (oldest == kMaxCachedDocuments || g_cache[i]->lastUse < g_cache[oldest]->lastUse))
                oldest = i;
        }
        if (oldest == kMaxCachedDocuments)
            break;  // the new one alone; it stays for the pages still to come
        delete g_cache[oldest];
        g_cache[oldest] = nullptr;
    }
    return document;
}

class ExclusiveLock {
public:
    ExclusiveLock() { AcquireSRWLockExclusive(&g_cacheLock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&g_cacheLock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

using UseFields = FieldResult (*)(const DocumentFields& fields, void* context);

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
            return cached->fields.readable ? use(cached->fields, context) : FieldResult::FileError;
    }
    std::unique_ptr<CachedDocument> document(new (std::nothrow) CachedDocument);
    if (document == nullptr)
        return FieldResult::FileError;
    std::wcscpy(document->path, documentPath);
    document->size = key.size;
    document->lastWrite = key.lastWrite;
    ReadDocumentFields(documentPath, document->fields);
    const ExclusiveLock lock;
    // Another thread may have read it meanwhile: the same bytes, so either
    // copy is right; the one cached first stays.
    const CachedDocument* cached = FindCached(key);
    if (cached == nullptr)
        cached = Insert(document.release());
    return cached->fields.readable ? use(cached->fields, context) : FieldResult::FileError;
}

struct FieldRequest {
    std::uint32_t index;
    FieldValue* value;
};

FieldResult CopyField(const DocumentFields& fields, void* context)
{
    const auto* request = static_cast<FieldRequest*>(context);
    *request->value = fields.values[request->index];
    return request->value->present ? FieldResult::Value : FieldResult::Empty;
}

struct FullTextRequest {
    std::uint32_t from;
    wchar_t* text;
    std::uint32_t capacity;
    std::uint32_t* copied;
};

FieldResult CopyFullText(const DocumentFields& fields, void* context)
{
    const auto* request = static_cast<FullTextRequest*>(context);
    if (fields.fullText == nullptr || request->from >= fields.fullTextLength)
        return FieldResult::Empty;
    const wchar_t* start = fields.fullText.get() + request->from;
    const std::uint32_t left = fields.fullTextLength - request->from;
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
    for (CachedDocument*& cached : g_cache) {
        delete cached;
        cached = nullptr;
    }
}
