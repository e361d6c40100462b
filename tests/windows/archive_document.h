#pragma once

// Documents in the newer container on disk, as current CAD versions save
// them: the records around the preview, decoy records and end records.

#include "archive_builder.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the image; its holes are left unwritten, so a large document is
// sparse on disks that allow it.
void WriteArchiveFile(const std::wstring& path, const ArchiveImage& image);

// A document whose "Preview" record holds this DIB block, among records and
// decoys as real ones have them; hugeRecordBytes of zeros stand before it. Its
// "PreviewPNG" record holds png, or 4000 bytes that are no PNG.
ArchiveImage ArchiveDocument(const std::vector<unsigned char>& block, std::uint64_t hugeRecordBytes = 0,
                             const RecordDamage& damage = {}, const std::vector<unsigned char>& png = {});
