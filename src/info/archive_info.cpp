#include "info/archive_info.h"

#include "base/win32_holders.h"
#include "info/document_facts.h"
#include "info/info_xml.h"
#include "preview/archive_file.h"
#include "preview/archive_reader.h"

#include <windows.h>

#include <cstdint>
#include <utility>

namespace {

constexpr WantedRecord kInfoRecords[] = {{"docProps/core.xml", kMaxInfoRecordBytes},
                                         {"docProps/custom.xml", kMaxInfoRecordBytes}};
constexpr std::uint32_t kInfoRecordCount = sizeof kInfoRecords / sizeof kInfoRecords[0];

// What the look at the information found, kept until the file is closed.
struct InfoRead {
    bool releaseFound;
    std::uint32_t releaseCode;  // the largest a name carries
    ArchiveRecord records[kInfoRecordCount];
};

void NoteReleaseName(void* context, const char* name, std::uint32_t length)
{
    auto* read = static_cast<InfoRead*>(context);
    std::uint32_t code = 0;
    if (!ReleaseCodeOfName(name, length, &code) || (read->releaseFound && code <= read->releaseCode))
        return;
    read->releaseFound = true;
    read->releaseCode = code;
}

bool KeepInfoRecord(void* context, std::uint32_t nameIndex, ArchiveRecord& record)
{
    static_cast<InfoRead*>(context)->records[nameIndex] = std::move(record);
    return false;  // and on to the next
}

}  // namespace

bool ReadArchiveInfo(const wchar_t* documentPath, DocumentInfo& info)
{
    InfoRead read = {};
    {
        const ScopedFile file(OpenDocumentFile(documentPath));
        ByteSource source = {};
        if (!SourceOf(file, source) || ReadArchiveRecords(source, kInfoRecords, kInfoRecordCount, &KeepInfoRecord,
                                                          &read, &NoteReleaseName) == ArchiveOutcome::NotAnArchive)
            return false;
    }  // closed before anything is parsed
    if (read.releaseFound)
        SetReleaseValue(info, read.releaseCode);
    ReadCoreRecord(read.records[0].bytes.get(), read.records[0].size, info);
    ReadCustomRecord(read.records[1].bytes.get(), read.records[1].size, info);
    return true;
}
