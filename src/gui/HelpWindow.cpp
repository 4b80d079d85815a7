#include "gui/HelpWindow.h"

#include "base/files/IniFile.h"
#include "base/files/TextEncoding.h"
#include "base/texts/LanguageFile.h"
#include "base/texts/LanguageTable.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kelvane 4.2"));
    resize(820, 640);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
}

QString HelpWindow::startPage(const QString& programDirectory) {
    const QDir directory(programDirectory);
    const QString installed = directory.filePath(QStringLiteral("kv36.hlp"));
    if (QFileInfo::exists(installed)) {
        return installed;
    }
    const QString languageFile = LanguageFile::path(programDirectory);
    QString own = IniFile::read(languageFile, LanguageFile::currentLanguage(languageFile),
                                QStringLiteral("helpfile"), {});
    own.replace(u'\\', u'/');
    while (own.startsWith(u'/')) {
        own.remove(0, 1);
    }
    if (!own.isEmpty() && QFileInfo::exists(directory.filePath(own))) {
        return directory.filePath(own);
    }
    return directory.filePath(QStringLiteral("Kelvane 4.2.chm"));
}

bool HelpWindow::openPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_browser->setPlainText(languageText(TextKey::HelpFileMissing).arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_currentPage = QFileInfo(path).absoluteFilePath();
    m_browser->setSearchPaths({QFileInfo(path).absolutePath()});
    m_browser->setHtml(TextEncoding::decodeUtf8OrWindows1252(file.readAll()));
    return true;
}

void HelpWindow::followLink(const QUrl& url) {
    if (url.scheme() == QLatin1StringView("http") || url.scheme() == QLatin1StringView("https") ||
        url.scheme() == QLatin1StringView("mailto")) {
        QDesktopServices::openUrl(url);
        return;
    }
    if (!url.path().isEmpty()) {
        const QString target = QFileInfo(m_currentPage).dir().filePath(url.path());
        if (!openPage(target)) {
            return;
        }
    }
    if (url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
    }
}
