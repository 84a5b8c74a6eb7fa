// main() for kvstudio's tests: the program's Qt application, on a real X
// display (Qt Quick 3D draws nothing offscreen), with a preference store of
// its own so that the user's import options are neither read nor changed.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSurfaceFormat>
#include <QtQuick3D/qquick3d.h>

#include <cstdlib>

#include "HostText.h"
#include "TemporaryFolder.h"

int main(int argc, char** argv) {
    const TemporaryFolder preferences;
    ::setenv("XDG_CONFIG_HOME", preferences.Path().c_str(), 1);
    kvhost::UseTheUsersLanguage();
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Korvanta"));
    QApplication::setApplicationName(QStringLiteral("kvstudio"));
    QSurfaceFormat::setDefaultFormat(QQuick3D::idealSurfaceFormat());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
