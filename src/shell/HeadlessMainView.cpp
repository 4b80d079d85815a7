#include "shell/HeadlessMainView.h"

HeadlessMainView::HeadlessMainView(std::FILE* output) : m_output(output) {
    const std::array<const char*, 9> captions = {"", "&Send", "T-St&art", "T-St&op", "",
                                                 "", "Hide",  "O&nline",  "E&xit"};
    for (int i = 1; i < static_cast<int>(captions.size()); ++i) {
        m_buttons[i].caption = QString::fromLatin1(captions[i]);
    }
}

void HeadlessMainView::setStatusText(const QString& text) {
    m_status = text;
    if (m_output) {
        std::fprintf(m_output, "status: %s\n", text.toUtf8().constData());
        std::fflush(m_output);
    }
}

void HeadlessMainView::setStatus1Text(int panel, const QString& text) {
    if (panel >= 1 && panel <= 3) {
        m_status1[panel] = text;
    }
}

QString HeadlessMainView::status1Text(int panel) const {
    return panel >= 1 && panel <= 3 ? m_status1[panel] : QString();
}

void HeadlessMainView::setButtonCaption(int index, const QString& caption) {
    if (validButton(index)) {
        m_buttons[index].caption = caption;
    }
}

QString HeadlessMainView::buttonCaption(int index) const {
    return validButton(index) ? m_buttons[index].caption : QString();
}

void HeadlessMainView::setButtonEnabled(int index, bool enabled) {
    if (validButton(index)) {
        m_buttons[index].enabled = enabled;
    }
}

bool HeadlessMainView::isButtonEnabled(int index) const {
    return validButton(index) && m_buttons[index].enabled;
}

void HeadlessMainView::setButtonTag(int index, const QString& tag) {
    if (validButton(index)) {
        m_buttons[index].tag = tag;
    }
}

QString HeadlessMainView::buttonTag(int index) const {
    return validButton(index) ? m_buttons[index].tag : QString();
}

void HeadlessMainView::setMenuCaption(const QString& menuName, const QString& caption) {
    m_menus.insert(menuName, caption);
}
