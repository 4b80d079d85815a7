// Headers of the tests, compiled once per build.
#pragma once

#include "PrecompiledBase.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
