#pragma once
// Serial "devices" as plain files in a temporary folder, with a by-id folder of links to
// them, so canonical paths and access checks run on real files.

#include "device/SerialPortList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace viscora::test {

struct FakeDevices {
    QTemporaryDir dir;

    // Creates the file NAME; with a by-id name, also the link byId/NAME_ID -> ../NAME.
    SerialDeviceInfo add(const QString &name, const QString &id = {}, const std::string &maker = {},
                         const std::string &product = {})
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        SerialDeviceInfo info{path(name), {}, maker, product};
        if (!id.isEmpty()) {
            QDir().mkpath(dir.filePath(QStringLiteral("by-id")));
            EXPECT_TRUE(QFile::link(QStringLiteral("../") + name,
                                    dir.filePath(QStringLiteral("by-id/") + id)));
            info.byId = byId(id);
        }
        return info;
    }
    std::string path(const QString &name) const { return dir.filePath(name).toStdString(); }
    std::string byId(const QString &id) const
    {
        return dir.filePath(QStringLiteral("by-id/") + id).toStdString();
    }
    std::string byIdFolder() const { return dir.filePath(QStringLiteral("by-id")).toStdString(); }
};

} // namespace viscora::test
