#pragma once

#include "core/MainController.h"
#include "platform/RecordingWindowList.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QtTest>

// The setup assistant's windows with a controller in a temporary program folder. kelvane.ini
// maps the ports a test names to devices and every other port to a path that does not exist, so
// the machine's own serial ports never count.
struct AssistantFixture {
    static constexpr int HighestPort = 40;

    AssistantFixture() : controller(view, dialogs) {
        Settings& s = controller.settings();
        s.ConfigFilePath = folder.file(QStringLiteral("standard.cfg"));
        s.portnum = QStringLiteral("99");
        windows.windows = {{1, QStringLiteral("Kelvane Version 4.2"), true, true},
                           {2, QStringLiteral("Notizen - Editor"), true, true}};
        mapPorts({});
    }

    bool mapPorts(const QMap<int, QString>& devices) const {
        QByteArray ini = "[ports]\n";
        for (int port = 1; port <= HighestPort; ++port) {
            const QString device =
                devices.value(port, folder.file(QStringLiteral("missing-com%1").arg(port)));
            ini += "COM" + QByteArray::number(port) + '=' + device.toUtf8() + '\n';
        }
        QFile file(folder.file(QStringLiteral("kelvane.ini")));
        return file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size();
    }

    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    RecordingWindowList windows;
};

namespace assistant {

// A control of window by its object name; a missing one fails the test and closes the window,
// so that the chain ends instead of waiting for a click that cannot come.
template <typename T> T* control(QWidget* window, const QString& name) {
    T* found = window->findChild<T*>(name);
    if (!found) {
        QTest::qFail(qPrintable(QStringLiteral("no control %1 in %2").arg(name, window->objectName())),
                     __FILE__, __LINE__);
        window->close();
    }
    return found;
}

inline void click(QWidget* window, const char* name) {
    if (auto* button = control<QPushButton>(window, QLatin1String(name))) {
        button->click();
    }
}

// Replaces the text of a box by typing it, as a user does.
inline void retype(QLineEdit* box, const QString& typed) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, typed);
}

inline void retype(QWidget* window, const char* name, const QString& typed) {
    if (auto* box = control<QLineEdit>(window, QLatin1String(name))) {
        retype(box, typed);
    }
}

// Types into an editable list's text field.
inline void retypeList(QWidget* window, const char* name, const QString& typed) {
    if (auto* box = control<QComboBox>(window, QLatin1String(name))) {
        retype(box->lineEdit(), typed);
    }
}

// Chooses an entry the way a user does: opens the list and confirms the entry with Return.
inline bool choose(QComboBox* box, const QString& entry) {
    const int index = box->findText(entry, Qt::MatchExactly);
    if (index < 0) {
        return false;
    }
    box->showPopup();
    QAbstractItemView* view = box->view();
    view->setCurrentIndex(box->model()->index(index, box->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
    return box->currentIndex() == index && !view->isVisible();
}

inline bool choose(QWidget* window, const char* name, const QString& entry) {
    auto* box = control<QComboBox>(window, QLatin1String(name));
    return box && choose(box, entry);
}

inline QStringList items(const QComboBox* box) {
    QStringList result;
    for (int i = 0; box && i < box->count(); ++i) {
        result.append(box->itemText(i));
    }
    return result;
}

// Waits until the port window has looked for the ports ("TCP/IP" is always listed last).
inline bool portsListed(QWidget* window) {
    auto* box = window->findChild<QComboBox*>(QStringLiteral("cboCOM"));
    return box && QTest::qWaitFor([box] { return box->findText(QStringLiteral("TCP/IP")) >= 0; }, 10000);
}

} // namespace assistant
