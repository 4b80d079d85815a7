#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;
class QUrl;

// The program's help viewer: HTML help pages from the program directory.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The page the help menu opens: the installed help of the current language (kv36.hlp),
    // else the current language's own help file, else the start page "Kelvane 4.2.chm".
    static QString startPage(const QString& programDirectory);

    bool openPage(const QString& path);
    QString currentPage() const { return m_currentPage; }

private:
    void followLink(const QUrl& url);

    QTextBrowser* m_browser;
    QString m_currentPage;
};
