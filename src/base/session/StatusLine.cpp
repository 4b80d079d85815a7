#include "base/session/StatusLine.h"

#include "base/interfaces/MainView.h"

void StatusLine::setText(const QString& text) {
    if (text != m_last) {
        m_last = text;
        m_view.setStatusText(text);
    }
}
