#include "app/HeadlessMainView.h"

HeadlessMainView::HeadlessMainView(std::FILE* output) : m_output(output) {
    m_buttons[slot(MainButton::Send)].caption = QStringLiteral("&Send");
    m_buttons[slot(MainButton::TimerStart)].caption = QStringLiteral("T-St&art");
    m_buttons[slot(MainButton::TimerStop)].caption = QStringLiteral("T-St&op");
    m_buttons[slot(MainButton::Hide)].caption = QStringLiteral("Hide");
    m_buttons[slot(MainButton::Online)].caption = QStringLiteral("O&nline");
    m_buttons[slot(MainButton::Exit)].caption = QStringLiteral("E&xit");
}

void HeadlessMainView::setStatusText(const QString& text) {
    m_status = text;
    if (m_output) {
        std::fprintf(m_output, "status: %s\n", text.toUtf8().constData());
        std::fflush(m_output);
    }
}

void HeadlessMainView::setInfoText(InfoPanel panel, const QString& text) {
    m_info[static_cast<std::size_t>(panel)] = text;
}

QString HeadlessMainView::infoText(InfoPanel panel) const {
    return m_info[static_cast<std::size_t>(panel)];
}

void HeadlessMainView::setButtonCaption(MainButton button, const QString& caption) {
    m_buttons[slot(button)].caption = caption;
}

QString HeadlessMainView::buttonCaption(MainButton button) const {
    return m_buttons[slot(button)].caption;
}

void HeadlessMainView::setButtonEnabled(MainButton button, bool enabled) {
    m_buttons[slot(button)].enabled = enabled;
}

bool HeadlessMainView::isButtonEnabled(MainButton button) const {
    return m_buttons[slot(button)].enabled;
}

void HeadlessMainView::setCommandButtonCaption(int row, const QString& caption) {
    if (row >= 0 && row < DeviceCommandButtonCount) {
        m_commandCaptions[static_cast<std::size_t>(row)] = caption;
    }
}

QString HeadlessMainView::commandButtonCaption(int row) const {
    return row >= 0 && row < DeviceCommandButtonCount ? m_commandCaptions[static_cast<std::size_t>(row)]
                                                      : QString();
}

void HeadlessMainView::setMenuCaption(Menu menu, const QString& caption) {
    m_menus.insert(menu, caption);
}
