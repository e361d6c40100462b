// The malformed corpus through the real plugin, in child processes so that a
// crash or a hang is a failed case and not a dead test program: whatever the
// document, the plugin gives null or 1 or a picture of the header's size, and
// with Debug off it shows no message box. The second run places every block
// the plugin allocates against a no-access page, so that a read past a block
// faults here as it may on Windows, where Wine would let it pass.
#include "child_process.h"
#include "malformed_corpus.h"
#include "plugin_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

struct CaseOutcome {
    bool finished = false;
    std::string thumbnail;
    bool viewer = false;
    int reload = -1;
    int boxes = -1;
    std::string failure;  // crash or hang
};

std::wstring RunnerPath()
{
    const std::wstring plugin = BuiltPluginPath();
    return plugin.substr(0, plugin.find_last_of(L'\\') + 1) + L"corvelle_corpus_runner.exe";
}

// Runs the cases from first on in one child until it ends; returns the index
// after the last case it finished or failed.
size_t RunBatch(const std::vector<std::wstring>& files, size_t first, bool guarded, std::vector<CaseOutcome>* outcomes)
{
    std::wstring commandLine = L"\"" + RunnerPath() + L"\"" + (guarded ? L" --guarded" : L"");
    for (size_t i = first; i < files.size(); ++i)
        commandLine += L" \"" + files[i] + L"\"";
    std::string pending;
    long current = -1;  // the case begun and not yet finished
    // One case does a few loads and paints: 30 s without a word is a hang.
    const ChildRun run = RunChild(RunnerPath(), commandLine, 30000, [&](const std::string& output) {
        pending += output;
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            std::istringstream line(pending.substr(0, end));
            std::string word;
            long index = -1;
            line >> word >> index;
            if (word == "begin") {
                current = index;
            } else if (word == "case" && index >= 0) {
                CaseOutcome& outcome = (*outcomes)[first + static_cast<size_t>(index)];
                std::string label, viewer;
                line >> label >> outcome.thumbnail >> label >> viewer >> label >> outcome.reload >> label >>
                    outcome.boxes;
                outcome.viewer = viewer == "yes";
                outcome.finished = true;
                current = -1;
            }
        }
    });
    if (!run.started) {
        ADD_FAILURE() << "cannot start the corpus runner: " << GetLastError();
        return files.size();
    }
    if (current < 0)
        return files.size();  // every case it was given ran to its end
    char description[64];
    std::snprintf(description, sizeof description, run.silent ? "hang" : "crash, exit code 0x%08lX",
                  static_cast<unsigned long>(run.exitCode));
    (*outcomes)[first + static_cast<size_t>(current)].failure = description;
    return first + static_cast<size_t>(current) + 1;
}

class MalformedCorpus : public ::testing::Test {
protected:
    void RunCorpus(bool guarded)
    {
        const std::vector<CorpusCase> corpus = ::MalformedCorpus();
        std::vector<std::wstring> files;
        for (size_t i = 0; i < corpus.size(); ++i) {
            wchar_t name[32];
            std::swprintf(name, 32, L"case%03zu.SLDPRT", i);
            files.push_back(folder.File(name));
            WriteFileBytes(files.back(), std::string(corpus[i].file.begin(), corpus[i].file.end()));
        }
        std::vector<CaseOutcome> outcomes(corpus.size());
        for (size_t next = 0; next < files.size();)
            next = RunBatch(files, next, guarded, &outcomes);

        int pictures = 0;
        for (size_t i = 0; i < corpus.size(); ++i) {
            const CorpusCase& entry = corpus[i];
            const CaseOutcome& outcome = outcomes[i];
            SCOPED_TRACE("case " + std::to_string(i) + ": " + entry.name);
            ASSERT_TRUE(outcome.failure.empty()) << outcome.failure;
            ASSERT_TRUE(outcome.finished) << "never ran";
            EXPECT_EQ(outcome.boxes, 0);
            // Thumbnail, viewer and reload agree on whether there is a picture.
            const bool shown = outcome.thumbnail != "null";
            EXPECT_EQ(outcome.viewer, shown);
            EXPECT_EQ(outcome.reload, shown ? 0 : 1);
            if (shown && !entry.anySize) {
                EXPECT_EQ(outcome.thumbnail, std::to_string(entry.width) + "x" + std::to_string(entry.height));
            }
            pictures += shown ? 1 : 0;
        }
        // The corpus is not all refusals: sound and partly damaged pictures show.
        EXPECT_GT(pictures, 20);
        std::printf("%zu cases, %d shown a picture\n", corpus.size(), pictures);
    }

    TempFolder folder;
};

}  // namespace

TEST_F(MalformedCorpus, NeitherCrashNorHangNorBoxNorWrongPicture)
{
    RunCorpus(false);
}

TEST_F(MalformedCorpus, NoReadPastAnyBlockWithBlocksAgainstNoAccessPages)
{
    RunCorpus(true);
}
