#include "import_patch.h"

#include <cstring>

namespace {

template <typename T>
T* AtOffset(HMODULE module, DWORD offset)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

const IMAGE_IMPORT_DESCRIPTOR* FirstImportDescriptor(HMODULE module)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = AtOffset<const IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    return AtOffset<const IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
}

// The import slot for a name (or, when name is null, an ordinal).
void** FindImportSlot(HMODULE module, const char* importedDll, const char* functionName, WORD ordinal)
{
    for (const auto* descriptor = FirstImportDescriptor(module); descriptor != nullptr && descriptor->Name != 0;
         ++descriptor) {
        if (_stricmp(AtOffset<const char>(module, descriptor->Name), importedDll) != 0)
            continue;
        const auto* names = AtOffset<const IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk);
        auto* slots = AtOffset<IMAGE_THUNK_DATA>(module, descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                if (functionName == nullptr && IMAGE_ORDINAL(names->u1.Ordinal) == ordinal)
                    return reinterpret_cast<void**>(&slots->u1.Function);
                continue;
            }
            const auto* byName =
                AtOffset<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            if (functionName != nullptr && std::strcmp(reinterpret_cast<const char*>(byName->Name), functionName) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

}  // namespace

void WriteImportSlot(void** slot, void* value)
{
    DWORD oldProtection = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &oldProtection);
    *slot = value;
    VirtualProtect(slot, sizeof(void*), oldProtection, &oldProtection);
}

ImportPatch::ImportPatch(HMODULE module, const char* importedDll, const char* functionName, const void* replacement)
{
    Apply(module, importedDll, functionName, 0, replacement);
}

ImportPatch::ImportPatch(HMODULE module, const char* importedDll, WORD ordinal, const void* replacement)
{
    Apply(module, importedDll, nullptr, ordinal, replacement);
}

void ImportPatch::Apply(HMODULE module, const char* importedDll, const char* functionName, WORD ordinal,
                        const void* replacement)
{
    slot_ = FindImportSlot(module, importedDll, functionName, ordinal);
    if (slot_ == nullptr)
        return;
    original_ = *slot_;
    WriteImportSlot(slot_, const_cast<void*>(replacement));
}

ImportPatch::~ImportPatch()
{
    if (slot_ != nullptr)
        WriteImportSlot(slot_, original_);
}

bool ModuleImports(HMODULE module, const char* importedDll, const char* functionName)
{
    return FindImportSlot(module, importedDll, functionName, 0) != nullptr;
}

std::vector<std::string> ImportedDllNames(HMODULE module)
{
    std::vector<std::string> names;
    for (const auto* descriptor = FirstImportDescriptor(module); descriptor != nullptr && descriptor->Name != 0;
         ++descriptor)
        names.push_back(AtOffset<const char>(module, descriptor->Name));
    return names;
}
