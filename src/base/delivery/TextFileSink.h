#pragma once

#include "base/delivery/DeliverySink.h"

class MainView;
struct Settings;

// Appends each output text as one line (CR LF) to the text file of the settings.
class TextFileSink : public DeliverySink {
public:
    TextFileSink(const Settings& settings, MainView& view);

    bool deliver(const QString& outputText) override;

    // One write call in append mode: a crash leaves earlier lines whole. False when nothing
    // could be written.
    static bool appendLine(const QString& path, const QString& line);

private:
    const Settings& m_settings;
    MainView& m_view;
};
