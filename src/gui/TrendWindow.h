#pragma once

#include <QTimer>
#include <QWidget>

class Dialogs;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QSpinBox;
class QValueAxis;
struct Settings;
class ValueSeries;

// The values taken, as they come: a line of the accepted values against their time, markers for
// the refused ones (unstable, out of tolerance), the tolerance limits as lines, and the running
// statistics beside it. It is no dialog: the main cycle goes on while it is open. It redraws at
// most 25 times a second however fast the values come.
class TrendWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int RedrawIntervalMs = 40;

    TrendWindow(ValueSeries& series, const Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TrendWindow() override;

    // The texts of the current language.
    void applyTexts();
    QChart* chart() const;
    bool isPaused() const { return m_paused; }

private:
    void setPointsShown(int count);
    void scheduleRedraw();
    void redraw();
    void redrawChart();
    void showStatistics();
    void togglePause();
    void saveCsv();
    void savePng();

    ValueSeries& m_series;
    const Settings& m_settings;
    Dialogs& m_dialogs;
    QTimer m_redrawTimer;
    bool m_paused = false;
    QChartView* m_view = nullptr;
    QLineSeries* m_accepted = nullptr;
    QScatterSeries* m_notStable = nullptr;
    QScatterSeries* m_outOfTolerance = nullptr;
    QLineSeries* m_upperLimit = nullptr;
    QLineSeries* m_lowerLimit = nullptr;
    QDateTimeAxis* m_timeAxis = nullptr;
    QValueAxis* m_valueAxis = nullptr;
    QLabel* m_pointsLabel = nullptr;
    QSpinBox* m_pointsBox = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_clearButton = nullptr;
    QPushButton* m_csvButton = nullptr;
    QPushButton* m_pngButton = nullptr;
    QPushButton* m_resetButton = nullptr;
    struct Figure {
        QLabel* caption;
        QLabel* value;
    };
    std::array<Figure, 8> m_figures{};
};
