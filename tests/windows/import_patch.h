#pragma once

// Replaces one entry of a loaded module's import address table, so that a
// test can watch or fail a platform call made by the plugin without the plugin
// containing any test code. The entry is restored when the patch is destroyed.

#include <windows.h>

#include <string>
#include <vector>

class ImportPatch {
public:
    // Patches the import of functionName from importedDll (case-insensitive).
    ImportPatch(HMODULE module, const char* importedDll, const char* functionName, const void* replacement);
    // Patches an import by ordinal.
    ImportPatch(HMODULE module, const char* importedDll, WORD ordinal, const void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Applied() const { return slot_ != nullptr; }
    template <typename Function>
    Function Original() const
    {
        return reinterpret_cast<Function>(original_);
    }

private:
    void Apply(HMODULE module, const char* importedDll, const char* functionName, WORD ordinal,
               const void* replacement);

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// Writes value into an import slot, lifting the page protection meanwhile.
void WriteImportSlot(void** slot, void* value);

// Names of the DLLs that the module imports from, as its import table has them.
std::vector<std::string> ImportedDllNames(HMODULE module);

// True when the module imports functionName from importedDll.
bool ModuleImports(HMODULE module, const char* importedDll, const char* functionName);
