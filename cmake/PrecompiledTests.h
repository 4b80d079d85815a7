// Headers of the tests, compiled once per build.
#pragma once

#include "PrecompiledWidgets.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
