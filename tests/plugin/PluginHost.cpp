#include "PluginHost.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "Preferences.h"

namespace plugin_tests {

LoadedPlugin::LoadedPlugin() {
    handle_ = ::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    void* symbol = handle_ == nullptr ? nullptr : ::dlsym(handle_, kImporterEntryPointName);
    entry = reinterpret_cast<GetKorvantaModelImporterInterfaceFunction*>(symbol);
    if (entry == nullptr) error = ::dlerror();
}

LoadedPlugin::~LoadedPlugin() {
    if (handle_ != nullptr) ::dlclose(handle_);
}

TemporaryFolder::TemporaryFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("kv-plugin-tests-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void UsePrivatePreferenceStore() {
    static const TemporaryFolder configHome;  // the store keeps writing there until exit
    ::setenv("XDG_CONFIG_HOME", configHome.Path().c_str(), 1);
}

void ClearStoredImportOptions() {
    hollin::prefs::Get().Remove(u"3DS Importer", u"ImportMergeCoplanarFaces");
    hollin::prefs::Get().Remove(u"3DS Importer", u"ImportUnits");
}

ProgramResult RunProgram(const std::string& commandLine) {
    ProgramResult result;
    FILE* pipe = ::popen(commandLine.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    for (std::size_t count; (count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        result.output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char character : text) quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return quoted + "'";
}

nlohmann::json ModelInfo(const std::filesystem::path& model) {
    const ProgramResult result = RunProgram(ShellQuote(KV_KVINFO_PATH) + " " + ShellQuote(model.string()));
    if (result.exitCode != 0) return nullptr;
    return nlohmann::json::parse(result.output, nullptr, false);
}

std::string OpenFileErrorReport(const std::string& path) {
    return "3ds Errors:\n\tCould not open file: " + path + "\n";
}

std::string SummaryReport(int materials, int nodes, int meshes) {
    return "3ds Entities Imported\n\tMaterials:\t" + std::to_string(materials) + "\n\tNodes:\t" +
           std::to_string(nodes) + "\n\tMeshes:\t" + std::to_string(meshes) + "\n";
}

void PluginTest::SetUpTestSuite() {
    UsePrivatePreferenceStore();
    if (!SharedPlugin()) SharedPlugin() = std::make_unique<LoadedPlugin>();
}

void PluginTest::SetUp() {
    ASSERT_NE(SharedPlugin()->entry, nullptr) << SharedPlugin()->error;
    ClearStoredImportOptions();
    PrintedSummary();
}

std::unique_ptr<LoadedPlugin>& PluginTest::SharedPlugin() {
    static std::unique_ptr<LoadedPlugin> plugin;
    return plugin;
}

std::string PluginTest::PrintedSummary() {
    ::testing::internal::CaptureStdout();
    Importer().ShowSummary();
    return ::testing::internal::GetCapturedStdout();
}

}  // namespace plugin_tests
