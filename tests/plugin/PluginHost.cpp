#include "PluginHost.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "Preferences.h"

namespace plugin_tests {

LoadedPlugin::LoadedPlugin() {
    handle_ = ::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = ::dlerror();
        return;
    }
    entry_ = reinterpret_cast<GetKorvantaModelImporterInterfaceFunction*>(::dlsym(handle_, kImporterEntryPointName));
    if (entry_ == nullptr) error_ = ::dlerror();
}

LoadedPlugin::~LoadedPlugin() {
    if (handle_ != nullptr) ::dlclose(handle_);
}

bool LoadedPlugin::Exports(const char* symbol) const {
    return handle_ != nullptr && ::dlsym(handle_, symbol) != nullptr;
}

bool RecordingProgress::IsCancelled() {
    ++cancellationQueries;
    return cancelAfterQueries_ >= 0 && cancellationQueries > cancelAfterQueries_;
}

void RecordingProgress::SetPercent(double percent) {
    percents.push_back(percent);
    calls.emplace_back("percent");
}

void RecordingProgress::SetSecondaryPercent(double /*percent*/) {
    calls.emplace_back("secondary percent");
}

void RecordingProgress::SetSecondaryMessage(const char* /*utf8Text*/) {
    calls.emplace_back("secondary message");
}

void RecordingProgress::SetMessage(const std::string& utf8Message) {
    messages.push_back(utf8Message);
    calls.emplace_back("message");
}

TemporaryFolder::TemporaryFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("kv-plugin-tests-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void UsePrivatePreferenceStore() {
    // Lives until the process ends: the store keeps writing there.
    static const TemporaryFolder configHome;
    ::setenv("XDG_CONFIG_HOME", configHome.Path().c_str(), 1);
}

void ClearStoredImportOptions() {
    hollin::prefs::IPreferences& store = hollin::prefs::Get();
    store.Remove(u"3DS Importer", u"ImportMergeCoplanarFaces");
    store.Remove(u"3DS Importer", u"ImportUnits");
}

ProgramResult RunProgram(const std::string& commandLine) {
    ProgramResult result;
    FILE* pipe = ::popen(commandLine.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), count);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char character : text) {
        if (character == '\'') {
            quoted += "'\\''";
        } else {
            quoted += character;
        }
    }
    return quoted + "'";
}

std::string OpenFileErrorReport(const std::string& path) {
    return "3ds Errors:\n\tCould not open file: " + path + "\n";
}

std::string SummaryReport(int materials, int nodes, int meshes) {
    return "3ds Entities Imported\n\tMaterials:\t" + std::to_string(materials) + "\n\tNodes:\t" +
           std::to_string(nodes) + "\n\tMeshes:\t" + std::to_string(meshes) + "\n";
}

}  // namespace plugin_tests
