#pragma once

// What the module and its host agree on: records, flags, commands, messages
// and results. Used by the module, the programs that host it and the tests.

#include <cstdint>

// What the host passes to ListSetDefaultParams: three values the module does
// not read, then the full path of the host's own settings file (ANSI).
struct HostParameterRecord {
    std::int32_t unused[3];
    char hostSettingsPath[260];
};

// ShowFlags bits; every other bit is ignored.
inline constexpr std::uint32_t kShowFlagFit = 0x02;
inline constexpr std::uint32_t kShowFlagFitLargerOnly = 0x20;
inline constexpr std::uint32_t kShowFlagCenter = 0x40;
// The host is dark; and with the second bit, it wants dark native controls.
inline constexpr std::uint32_t kShowFlagDarkHost = 0x80;
inline constexpr std::uint32_t kShowFlagDarkControls = 0x100;

// Commands of ListSendCommand.
inline constexpr std::int32_t kCommandCopy = 1;
inline constexpr std::int32_t kCommandNewParameters = 2;

// High word of the WM_COMMAND that hands the centre option to the host.
inline constexpr std::uint16_t kCenterHandOverCode = 0xFFF9;
// High word of the WM_COMMAND that tells the host its fit option changed
// (low word 0 off, 1 on).
inline constexpr std::uint16_t kFitOptionCode = 0xFFFB;

// Margins of ListPrint: tenths of a millimetre (the platform's MM_LOMETRIC
// unit) from the paper's edges, as the hosts send them (200 for 20 mm).
struct PrintMargins {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Private window message that makes a viewer window decide its scroll bars
// (WM_APP + 0x65).
inline constexpr std::uint32_t UpdateScrollbarsMessage = 0x8065;

// Status results towards the host.
inline constexpr int kStatusSuccess = 0;
inline constexpr int kStatusFailure = 1;
