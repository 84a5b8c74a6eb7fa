// The library's start-up and unload as a host goes through them with dlopen
// and dlclose: the user's language is picked at every load, and an unload
// takes the importer with it. The host installation's Resources folder is
// linked beside this program, where the plug-in looks for it.

#include <QtGlobal>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "KorvantaModelImporterInterface.h"
#include "ProcessRunner.h"

namespace {

TEST(ModuleStartup, EveryLoadSpeaksTheUsersLanguageAndEveryUnloadEndsTheImporter) {
    // A Korvanta host is a Qt application: Qt stays loaded when the plug-in
    // goes. (Were Qt unloaded with it, so would be libgomp, which Qt's hashing
    // library brings in and which never frees what it allocates at start-up.)
    ASSERT_NE(qVersion(), nullptr);
    const TemporaryFolder folder;
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    const std::pair<const char*, const char*> loads[] = {
        {"fr_CA.UTF-8", "Fichiers 3DS (*.3ds)"},
        {"ja_JP.UTF-8", "3DS ファイル (*.3ds)"},
        {"et_EE.UTF-8", "3DS Files (*.3ds)"},
        {"zh_SG.UTF-8", "3DS 文件 (*.3ds)"},
    };
    for (const auto& [locale, description] : loads) {
        ::setenv("LC_ALL", locale, 1);
        void* library = ::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << ::dlerror();
        auto* entry = reinterpret_cast<GetKorvantaModelImporterInterfaceFunction*>(
            ::dlsym(library, kImporterEntryPointName));
        KorvantaModelImporterInterface& importer = *entry();
        EXPECT_EQ(importer.GetDescription(), description) << locale;

        // A report left pending would show if this importer outlived the unload.
        ::testing::internal::CaptureStdout();
        importer.ShowSummary();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "a new importer for every load";
        EXPECT_FALSE(importer.ConvertToModel((folder / "missing.3ds").string(), (folder / "out.kvm").string(),
                                             nullptr, nullptr));

        EXPECT_EQ(::dlclose(library), 0);
        EXPECT_EQ(::dlopen(KV_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "unloaded";
    }
    ::unsetenv("LC_ALL");
}

}  // namespace
