#pragma once

#include <QLatin1StringView>

// Every text of language.ini that the program shows, by what it is. languageKey() gives the
// key under which the language file holds it.
enum class TextKey {
    // Names of the output template's data tokens, and the prompt around a "{?label}" question.
    ValueToken,
    TimeToken,
    UnitToken,
    DateToken,
    IdToken1,
    IdToken2,
    IdToken3,
    IdToken4,
    IdToken5,
    IdToken6,
    IdToken7,
    IdToken8,
    IdToken9,
    IdToken10,
    PromptBefore,
    PromptAfter,
    PromptTitle,
    PromptLabelQuestion,

    // Status texts and messages.
    StatusCaption,
    Starting,
    DeviceActivated,
    DeviceInactive,
    PortUnavailable,
    // Why the link was lost, after PortUnavailable.
    LinkPeerClosed,
    LinkRefused,
    LinkHostNotFound,
    LinkDeviceRemoved,
    LinkFailed,
    // A serial port (COM%1, device %2) this user may not open, and the group (%3) that may.
    PortAccessDenied,
    // A lost link tried again, the attempt (%1).
    LinkReconnecting,
    // A workbook without the worksheet (%1) of kelvane.ini, and the workbook (%2).
    WorkbookSheetMissing,
    // Values in the outbox: how many (%1) and why (%2).
    ValuesWaiting,
    OneValueWaiting,
    OutboxEmpty,
    // Why values wait, for the target (%1).
    WorkbookOpenElsewhere,
    DatabaseLocked,
    DatabaseUnreachable,
    TargetMissing,
    TargetNotWritable,
    // The outbox: values left at the end (%1, the reason %2), a full one (target %1, limit %2), a
    // value not kept (%1) for a target (%2) with the reason (%3), a refused one (%1), a damaged
    // journal (%1) with the values read (%2) and the file that keeps the rest (%3).
    ValuesWaitingAtEnd,
    OutboxFull,
    OutboxNotKept,
    OutboxValueRefused,
    OutboxDamaged,
    DeviceTimeout,
    TimerActiveFrom,
    TimerStopped,
    ValuesSent,
    NotStable,
    AboveUpperLimit,
    BelowLowerLimit,
    WaitingForUnloading,
    ConfigurationMissing,
    SaveChanges,
    // A configuration that could not be saved: the message with the file (%1) and the reason (%2).
    ConfigurationNotSaved,
    SaveFolderNotWritable,
    SaveFolderMissing,
    SaveFileWriteProtected,
    // What needs an X11 display, and a missing help file (%1).
    KeystrokesNeedDisplay,
    DesktopServicesNeedDisplay,
    WindowListNeedsDisplay,
    // The desktop services on Wayland, and an unknown backend (%1) in kelvane.ini.
    DesktopWaylandKeyboard,
    DesktopWaylandKeyboardWithoutWindowList,
    DesktopWaylandWithoutKeyboard,
    DesktopPortal,
    DesktopXWayland,
    DesktopBackendUnknown,
    // Whether hotkeys work on a Wayland desktop, and the names of the shortcuts Kelvane binds
    // there (%1 the row).
    DesktopHotkeysOff,
    DesktopHotkeysPortal,
    ShortcutHotkey,
    ShortcutDeviceCommand,
    HelpFileMissing,
    EnterNumber,
    EnterNumberAboveZero,
    EnterDate,
    EnterTime,
    LoadConfigurationTitle,
    SaveConfigurationTitle,

    // Menus.
    MenuFile,
    MenuLoadConfiguration,
    MenuSaveConfiguration,
    MenuQuit,
    MenuView,
    MenuDisplayMode,
    MenuInput,
    MenuPortSettings,
    MenuRecordLayout,
    MenuOutput,
    MenuTransferSettings,
    MenuDbusTarget,
    MenuExtras,
    MenuLanguage,
    MenuHelp,
    MenuShowHelp,
    MenuAbout,
    MenuTrend,

    // The trend window; TrendNotSaved names the file (%1).
    TrendTitle,
    TrendAccepted,
    TrendNotStable,
    TrendOutOfTolerance,
    TrendUpperLimit,
    TrendLowerLimit,
    TrendTime,
    TrendValue,
    TrendPoints,
    TrendPause,
    TrendResume,
    TrendClear,
    TrendSaveCsv,
    TrendSavePng,
    TrendNotSaved,
    StatisticsCount,
    StatisticsMean,
    StatisticsStdDev,
    StatisticsMinimum,
    StatisticsMaximum,
    StatisticsRange,
    StatisticsInTolerance,
    StatisticsSince,
    StatisticsReset,

    // The display mode window.
    DisplayModeTitle,
    DisplayModeFrame,
    DisplayWeight,
    DisplayVolume,
    DisplayFlow,
    DisplayModeCancel,

    // The transfer settings window.
    TransferTitle,
    TransferModeHotkey,
    TransferModeManual,
    TransferModeTimer,
    TransferToleranceFrame,
    TransferUpperLimit,
    TransferLowerLimit,
    TransferAcceptanceFrame,
    TransferStandstill,
    TransferUnloading,
    TransferSeparatorFrame,
    TransferComma,
    TransferPoint,
    TransferOutputFrame,
    TransferTargetFrame,
    TransferOptionsFrame,
    TransferCommands,
    TransferCancel,
    TransferEditTemplateTip,
    TransferChooseTargetTip,

    // The hotkey window.
    HotkeysTitle,
    HotkeysButton,
    HotkeysFirstKey,
    HotkeysSecondKey,
    HotkeysThirdKey,
    HotkeysCancel,

    // The device command window and its button caption window.
    CommandsTitle,
    CommandsKey,
    CommandsFirstKey,
    CommandsSecondKey,
    CommandsThirdKey,
    CommandsCommand,
    CommandsSendResult,
    CommandsCancel,
    ButtonCaptionPrompt,
    ButtonCaptionCancel,

    // The output template window.
    TemplateTitle,
    TemplateKeysFrame,
    TemplateClear,
    TemplateValue,
    TemplateUnit,
    TemplateDate,
    TemplateTime,
    TemplateOk,
    TemplateCancel,

    // The timer window.
    TimerTitle,
    TimerIntervalFrame,
    TimerModeFrame,
    TimerStartStopFrame,
    TimerCountFrame,
    TimerStart,
    TimerStop,
    TimerDate,
    TimerTime,
    TimerHours,
    TimerMinutes,
    TimerSeconds,
    TimerAutostart,
    TimerModeStartStop,
    TimerModeCount,
    TimerCancel,

    // The D-Bus target window. Its title has no text in the shipped file.
    DbusTargetTitle,
    DbusTargetBusName,
    DbusTargetObjectPath,
    DbusTargetCommand,
    DbusTargetOk,
    DbusTargetCancel,
    // Names the D-Bus target cannot use (%1), with what a valid one looks like.
    InvalidBusName,
    InvalidObjectPath,
};

inline constexpr int TextKeyCount = static_cast<int>(TextKey::InvalidObjectPath) + 1;

// The language file's key of a text.
QLatin1StringView languageKey(TextKey key);

// The token name key of ID field n, 1 to 10.
TextKey idTokenKey(int n);
