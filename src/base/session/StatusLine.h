#pragma once

#include <QString>

class MainView;

// The main window's status text as the program sets it: a text equal to the last one set here
// is not written again, so an unchanged status causes no redraw.
class StatusLine {
public:
    explicit StatusLine(MainView& view) : m_view(view) {}

    void setText(const QString& text);
    const QString& lastText() const { return m_last; }

private:
    MainView& m_view;
    QString m_last;
};
