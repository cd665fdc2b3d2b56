// The headers nearly every test program reads, compiled once for all of them: gtest, the Qt
// classes the tests use most and the readable failure messages for Qt types.
#pragma once

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>
