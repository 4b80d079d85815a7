#include "gui/TrendWindow.h"

#include "base/config/ConfigKeys.h"
#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/files/AtomicFile.h"
#include "base/files/IniFile.h"
#include "base/files/ProgramDirectory.h"
#include "base/interfaces/Dialogs.h"
#include "base/statistics/SeriesCsv.h"
#include "base/statistics/ValueSeries.h"
#include "base/texts/LanguageTable.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>
#include <limits>

namespace {

constexpr std::array<TextKey, 8> FigureTexts = {
    TextKey::StatisticsCount,       TextKey::StatisticsMean,    TextKey::StatisticsStdDev,
    TextKey::StatisticsMinimum,     TextKey::StatisticsMaximum, TextKey::StatisticsRange,
    TextKey::StatisticsInTolerance, TextKey::StatisticsSince,
};

// Weighing values carry up to four decimals; an undefined figure shows as a dash.
QString figureText(double value, int decimals = 4) {
    return std::isnan(value) ? QStringLiteral("–") : QLocale::system().toString(value, 'f', decimals);
}

QScatterSeries* markers(const char* name, QColor color, QScatterSeries::MarkerShape shape) {
    auto* series = new QScatterSeries;
    series->setObjectName(QLatin1StringView(name));
    series->setColor(color);
    series->setBorderColor(color);
    series->setMarkerShape(shape);
    series->setMarkerSize(9);
    return series;
}

QLineSeries* limitLine(const char* name) {
    auto* series = new QLineSeries;
    series->setObjectName(QLatin1StringView(name));
    series->setPen(QPen(QColor(0xc0, 0x39, 0x2b), 1.5, Qt::DashLine));
    return series;
}

} // namespace

TrendWindow::TrendWindow(ValueSeries& series, const Settings& settings, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_series(series), m_settings(settings), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("TrendWindow"));
    resize(900, 480);

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_accepted = new QLineSeries;
    m_accepted->setObjectName(QStringLiteral("acceptedSeries"));
    m_accepted->setPointsVisible(true);
    m_notStable = markers("notStableSeries", QColor(0xe6, 0x7e, 0x22), QScatterSeries::MarkerShapeCircle);
    m_outOfTolerance =
        markers("outOfToleranceSeries", QColor(0xc0, 0x39, 0x2b), QScatterSeries::MarkerShapeRectangle);
    m_upperLimit = limitLine("upperLimitSeries");
    m_lowerLimit = limitLine("lowerLimitSeries");
    m_timeAxis = new QDateTimeAxis;
    m_timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    m_valueAxis = new QValueAxis;
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    for (QXYSeries* each : std::initializer_list<QXYSeries*>{m_accepted, m_notStable, m_outOfTolerance,
                                                             m_upperLimit, m_lowerLimit}) {
        chart->addSeries(each);
        each->attachAxis(m_timeAxis);
        each->attachAxis(m_valueAxis);
    }
    m_view = new QChartView(chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);

    auto* figures = new QGridLayout;
    for (std::size_t i = 0; i < m_figures.size(); ++i) {
        m_figures[i] = {new QLabel(this), new QLabel(this)};
        m_figures[i].value->setObjectName(QStringLiteral("figure%1").arg(i));
        m_figures[i].value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_figures[i].value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures->addWidget(m_figures[i].caption, int(i), 0);
        figures->addWidget(m_figures[i].value, int(i), 1);
    }
    m_resetButton = new QPushButton(this);
    m_resetButton->setObjectName(QStringLiteral("resetButton"));
    auto* side = new QVBoxLayout;
    side->addLayout(figures);
    side->addWidget(m_resetButton);
    side->addStretch(1);

    m_pointsLabel = new QLabel(this);
    m_pointsBox = new QSpinBox(this);
    m_pointsBox->setObjectName(QStringLiteral("pointsBox"));
    m_pointsBox->setRange(Settings::MinimumTrendPoints, Settings::MaximumTrendPoints);
    m_pointsBox->setValue(m_series.capacity());
    m_pointsLabel->setBuddy(m_pointsBox);
    const auto button = [this](const char* name) {
        auto* created = new QPushButton(this);
        created->setObjectName(QLatin1StringView(name));
        return created;
    };
    m_pauseButton = button("pauseButton");
    m_clearButton = button("clearButton");
    m_csvButton = button("csvButton");
    m_pngButton = button("pngButton");
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_pointsLabel);
    controls->addWidget(m_pointsBox);
    controls->addStretch(1);
    for (QPushButton* each : {m_pauseButton, m_clearButton, m_csvButton, m_pngButton}) {
        controls->addWidget(each);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(m_view, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(controls);

    m_redrawTimer.setSingleShot(true);
    m_redrawTimer.setInterval(RedrawIntervalMs);
    connect(&m_redrawTimer, &QTimer::timeout, this, &TrendWindow::redraw);
    connect(&m_series, &ValueSeries::pointsChanged, this, &TrendWindow::scheduleRedraw);
    connect(&m_series, &ValueSeries::statisticsChanged, this, &TrendWindow::scheduleRedraw);
    connect(m_pointsBox, &QSpinBox::valueChanged, this, &TrendWindow::setPointsShown);
    connect(m_pauseButton, &QPushButton::clicked, this, &TrendWindow::togglePause);
    connect(m_clearButton, &QPushButton::clicked, &m_series, &ValueSeries::clearPoints);
    connect(m_resetButton, &QPushButton::clicked, &m_series, &ValueSeries::resetStatistics);
    connect(m_csvButton, &QPushButton::clicked, this, &TrendWindow::saveCsv);
    connect(m_pngButton, &QPushButton::clicked, this, &TrendWindow::savePng);

    applyTexts();
    redraw();
}

TrendWindow::~TrendWindow() = default;

QChart* TrendWindow::chart() const {
    return m_view->chart();
}

void TrendWindow::applyTexts() {
    setWindowTitle(languageText(TextKey::TrendTitle));
    m_accepted->setName(languageText(TextKey::TrendAccepted));
    m_notStable->setName(languageText(TextKey::TrendNotStable));
    m_outOfTolerance->setName(languageText(TextKey::TrendOutOfTolerance));
    m_upperLimit->setName(languageText(TextKey::TrendUpperLimit));
    m_lowerLimit->setName(languageText(TextKey::TrendLowerLimit));
    m_timeAxis->setTitleText(languageText(TextKey::TrendTime));
    for (std::size_t i = 0; i < m_figures.size(); ++i) {
        m_figures[i].caption->setText(languageText(FigureTexts[i]));
    }
    m_pointsLabel->setText(languageText(TextKey::TrendPoints));
    m_pauseButton->setText(languageText(m_paused ? TextKey::TrendResume : TextKey::TrendPause));
    m_clearButton->setText(languageText(TextKey::TrendClear));
    m_csvButton->setText(languageText(TextKey::TrendSaveCsv));
    m_pngButton->setText(languageText(TextKey::TrendSavePng));
    m_resetButton->setText(languageText(TextKey::StatisticsReset));
    redraw();
}

void TrendWindow::setPointsShown(int count) {
    m_series.setCapacity(count);
    // Kept for the next start, beside the program's other settings of this machine.
    IniFile::write(ProgramDirectory::file(QStringLiteral("kelvane.ini")), ConfigKeys::TrendSection,
                   ConfigKeys::TrendPointsKey, QString::number(count));
}

void TrendWindow::scheduleRedraw() {
    if (!m_redrawTimer.isActive()) {
        m_redrawTimer.start();
    }
}

void TrendWindow::redraw() {
    showStatistics();
    if (!m_paused) {
        redrawChart();
    }
}

void TrendWindow::redrawChart() {
    QList<QPointF> accepted;
    QList<QPointF> notStable;
    QList<QPointF> outOfTolerance;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    QString unit;
    for (const TakenValue& point : m_series.points()) {
        const QPointF at(double(point.time.toMSecsSinceEpoch()), point.value);
        switch (point.verdict) {
        case Acceptance::Verdict::Accepted:
            accepted << at;
            break;
        case Acceptance::Verdict::NotStable:
            notStable << at;
            break;
        case Acceptance::Verdict::AboveUpperLimit:
        case Acceptance::Verdict::BelowLowerLimit:
            outOfTolerance << at;
            break;
        }
        low = std::min(low, point.value);
        high = std::max(high, point.value);
        if (!point.unit.isEmpty()) {
            unit = point.unit;
        }
    }
    m_accepted->replace(accepted);
    m_notStable->replace(notStable);
    m_outOfTolerance->replace(outOfTolerance);

    const auto& points = m_series.points();
    QDateTime first = points.empty() ? QDateTime::currentDateTime().addSecs(-60) : points.front().time;
    QDateTime last = points.empty() ? QDateTime::currentDateTime() : points.back().time;
    if (first >= last) {
        first = first.addSecs(-1);
        last = last.addSecs(1);
    }
    const auto showLimit = [&](QLineSeries* line, std::optional<double> limit) {
        line->setVisible(limit.has_value());
        if (!limit) {
            line->clear();
            return;
        }
        line->replace({QPointF(double(first.toMSecsSinceEpoch()), *limit),
                       QPointF(double(last.toMSecsSinceEpoch()), *limit)});
        low = std::min(low, *limit);
        high = std::max(high, *limit);
    };
    showLimit(m_upperLimit, SettingText::activeLimit(m_settings.upperLimit));
    showLimit(m_lowerLimit, SettingText::activeLimit(m_settings.lowerLimit));

    if (low > high) {
        low = 0.0;
        high = 1.0;
    }
    const double margin = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 1.0);
    m_timeAxis->setRange(first, last);
    m_valueAxis->setRange(low - margin, high + margin);
    const QString value = languageText(TextKey::TrendValue);
    m_valueAxis->setTitleText(unit.isEmpty() ? value : value + QStringLiteral(" [") + unit + u']');
}

void TrendWindow::showStatistics() {
    const RunningStatistics& statistics = m_series.statistics();
    const QLocale locale = QLocale::system();
    const double share = m_series.inToleranceShare();
    const QString texts[] = {
        locale.toString(statistics.count()),
        figureText(statistics.mean()),
        figureText(statistics.standardDeviation()),
        figureText(statistics.minimum()),
        figureText(statistics.maximum()),
        figureText(statistics.range()),
        std::isnan(share) ? figureText(share) : figureText(share * 100.0, 1) + QStringLiteral(" %"),
        m_series.startedAt().isValid() ? locale.toString(m_series.startedAt(), QLocale::ShortFormat)
                                       : QStringLiteral("–"),
    };
    for (std::size_t i = 0; i < m_figures.size(); ++i) {
        m_figures[i].value->setText(texts[i]);
    }
}

void TrendWindow::togglePause() {
    m_paused = !m_paused;
    m_pauseButton->setText(languageText(m_paused ? TextKey::TrendResume : TextKey::TrendPause));
    redraw();
}

void TrendWindow::saveCsv() {
    const auto path = m_dialogs.saveFile(languageText(TextKey::TrendSaveCsv).remove(u'&'),
                                         ProgramDirectory::file(QStringLiteral("trend.csv")),
                                         QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"));
    if (path && !AtomicFile::replace(*path, SeriesCsv::write(m_series.points()))) {
        m_dialogs.message(languageText(TextKey::TrendNotSaved).arg(*path));
    }
}

void TrendWindow::savePng() {
    const auto path = m_dialogs.saveFile(languageText(TextKey::TrendSavePng).remove(u'&'),
                                         ProgramDirectory::file(QStringLiteral("trend.png")),
                                         QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    if (path && !m_view->grab().save(*path, "PNG")) {
        m_dialogs.message(languageText(TextKey::TrendNotSaved).arg(*path));
    }
}
