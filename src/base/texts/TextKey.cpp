#include "base/texts/TextKey.h"

#include <array>
#include <utility>

namespace {

using Entry = std::pair<TextKey, const char*>;

constexpr std::array<Entry, TextKeyCount> Keys = {{
    {TextKey::ValueToken, "TextMesswert"},
    {TextKey::TimeToken, "TextUhrzeit"},
    {TextKey::UnitToken, "TextEinheit"},
    {TextKey::DateToken, "TextDatum"},
    {TextKey::IdToken1, "TextID_1"},
    {TextKey::IdToken2, "TextID_2"},
    {TextKey::IdToken3, "TextID_3"},
    {TextKey::IdToken4, "TextID_4"},
    {TextKey::IdToken5, "TextID_5"},
    {TextKey::IdToken6, "TextID_6"},
    {TextKey::IdToken7, "TextID_7"},
    {TextKey::IdToken8, "TextID_8"},
    {TextKey::IdToken9, "TextID_9"},
    {TextKey::IdToken10, "TextID_10"},
    {TextKey::PromptBefore, "TextFreierTextTeil1"},
    {TextKey::PromptAfter, "TextFreierTextTeil2"},
    {TextKey::PromptTitle, "TextParametertextCaption"},
    {TextKey::PromptLabelQuestion, "TextBitteParameterbezEingeben"},

    {TextKey::StatusCaption, "TextStatus"},
    {TextKey::Starting, "TextFrmJSLink_Label1Caption"},
    {TextKey::DeviceActivated, "TextMessgeraetAktiviert"},
    {TextKey::DeviceInactive, "TextMessgeraetInaktiv"},
    {TextKey::PortUnavailable, "TextSchnittstelleNichtVerfuegbar"},
    {TextKey::LinkPeerClosed, "TextVerbindungBeendet"},
    {TextKey::LinkRefused, "TextVerbindungAbgelehnt"},
    {TextKey::LinkHostNotFound, "TextHostNichtGefunden"},
    {TextKey::LinkDeviceRemoved, "TextGeraetEntfernt"},
    {TextKey::LinkFailed, "TextVerbindungGestoert"},
    {TextKey::PortAccessDenied, "TextKeinZugriffAufSchnittstelle"},
    {TextKey::DeviceTimeout, "TextSchnittstellentimeout"},
    {TextKey::TimerActiveFrom, "TextTimerAktivStart"},
    {TextKey::TimerStopped, "TextTimerGestoppt"},
    {TextKey::ValuesSent, "TextUndMesswerteGesendet"},
    {TextKey::NotStable, "TextKeinStillstand"},
    {TextKey::AboveUpperLimit, "TextMesswertGroesserMaximum"},
    {TextKey::BelowLowerLimit, "TextMesswertKleinerMinimum"},
    {TextKey::WaitingForUnloading, "TextWarteAufEntlastung"},
    {TextKey::ConfigurationMissing, "TextStandardCfgNichtVorhanden"},
    {TextKey::SaveChanges, "TextAenderungenSpeichern"},
    {TextKey::ConfigurationNotSaved, "TextEinstellungNichtGespeichert"},
    {TextKey::SaveFolderNotWritable, "TextOrdnerNichtBeschreibbar"},
    {TextKey::SaveFolderMissing, "TextOrdnerFehlt"},
    {TextKey::SaveFileWriteProtected, "TextDateiSchreibgeschuetzt"},
    {TextKey::KeystrokesNeedDisplay, "TextTastenBrauchenX11"},
    {TextKey::DesktopServicesNeedDisplay, "TextDesktopBrauchtX11"},
    {TextKey::WindowListNeedsDisplay, "TextFensterlisteBrauchtX11"},
    {TextKey::HelpFileMissing, "TextHilfedateiFehlt"},
    {TextKey::EnterNumber, "TextBitteZahlEingeben"},
    {TextKey::EnterNumberAboveZero, "TextBitteZahlGroesser0Eingeben"},
    {TextKey::EnterDate, "TextBitteDatumEingeben"},
    {TextKey::EnterTime, "TextBitteUhrzeitEingeben"},
    {TextKey::LoadConfigurationTitle, "TextFrmLoadSet_Caption"},
    {TextKey::SaveConfigurationTitle, "TextFrmSaveSet_Caption"},

    {TextKey::MenuFile, "TextMenuDatei_"},
    {TextKey::MenuLoadConfiguration, "TextMenuDatei_EinstellungLaden"},
    {TextKey::MenuSaveConfiguration, "TextMenuDatei_EinstellungSichern"},
    {TextKey::MenuQuit, "TextMenuDatei_Schliessen"},
    {TextKey::MenuView, "TextMenuAnsicht_"},
    {TextKey::MenuDisplayMode, "TextMenuAnsicht_Modus"},
    {TextKey::MenuInput, "TextMenuoptions_"},
    {TextKey::MenuPortSettings, "TextMenuEinstellungen_Schnittstelle"},
    {TextKey::MenuRecordLayout, "TextMenuoptions_KonfigurationDaten"},
    {TextKey::MenuOutput, "TextMenuDataOutput_"},
    {TextKey::MenuTransferSettings, "TextMenum_DataOutput_KonfigDaten"},
    {TextKey::MenuDbusTarget, "TextMenum_VerbAppl"},
    {TextKey::MenuExtras, "TextMenuExtras_"},
    {TextKey::MenuLanguage, "TextMenuEinstellungen_Sprache"},
    {TextKey::MenuHelp, "TextMenuHilfe_"},
    {TextKey::MenuShowHelp, "TextMenuHilfe_Hilfe"},
    {TextKey::MenuAbout, "TextMenuHilfe_Info"},

    {TextKey::DisplayModeTitle, "TextCancel_Caption"},
    {TextKey::DisplayModeFrame, "AnzeigeFrm_frame1"},
    {TextKey::DisplayWeight, "Anzeige_weight"},
    {TextKey::DisplayVolume, "Anzeige_volume"},
    {TextKey::DisplayFlow, "Anzeige_flow"},
    {TextKey::DisplayModeCancel, "TextAC_Caption"},

    {TextKey::TransferTitle, "TextFrmFormatDef_Caption"},
    {TextKey::TransferModeHotkey, "TextFrmFormatDef_Modus0Caption"},
    {TextKey::TransferModeManual, "TextFrmFormatDef_Modus1Caption"},
    {TextKey::TransferModeTimer, "TextFrmFormatDef_Modus2Caption"},
    {TextKey::TransferToleranceFrame, "TextFrmFormatDef_Frame1Caption"},
    {TextKey::TransferUpperLimit, "TextFrmFormatDef_Label3Caption"},
    {TextKey::TransferLowerLimit, "TextFrmFormatDef_Label2Caption"},
    {TextKey::TransferAcceptanceFrame, "TextFrmFormatDef_Frame3Caption"},
    {TextKey::TransferStandstill, "TextFrmFormatDef_StillstandCaption"},
    {TextKey::TransferUnloading, "TextFrmFormatDef_EntlastungCaption"},
    {TextKey::TransferSeparatorFrame, "TextFrmFormatDef_Frame2Caption"},
    {TextKey::TransferComma, "TextFrmFormatDef_Option0Caption"},
    {TextKey::TransferPoint, "TextFrmFormatDef_Option1Caption"},
    {TextKey::TransferOutputFrame, "TextFrmFormatDef_AusgabeCaption"},
    {TextKey::TransferTargetFrame, "TextFrmFormatDef_Label1Caption"},
    {TextKey::TransferOptionsFrame, "TextFrmFormatdef_OptionenCaption"},
    {TextKey::TransferCommands, "TextCommandButton_Caption"},
    {TextKey::TransferCancel, "TextCancelFormatButton_Caption"},
    {TextKey::TransferEditTemplateTip, "TextFrmFormatDef_AusgabeDefCaption"},
    {TextKey::TransferChooseTargetTip, "TextFrmFormatDef_Command1Caption"},

    {TextKey::HotkeysTitle, "TextFrmActionKeyDef_Caption"},
    {TextKey::HotkeysButton, "TextFrmActionKeyDef_Label1Caption"},
    {TextKey::HotkeysFirstKey, "TextFrmActionKeyDef_Label2Caption"},
    {TextKey::HotkeysSecondKey, "TextFrmActionKeyDef_Label3Caption"},
    {TextKey::HotkeysThirdKey, "TextFrmActionKeyDef_Label6Caption"},
    {TextKey::HotkeysCancel, "TextactionKeyAbbrechenButton_Caption"},

    {TextKey::CommandsTitle, "TextFrmGetKeyDef_Caption"},
    {TextKey::CommandsKey, "TextFrmGetKeyDef_Label1Caption"},
    {TextKey::CommandsFirstKey, "TextFrmGetKeyDef_Label4Caption"},
    {TextKey::CommandsSecondKey, "TextFrmGetKeyDef_Label2Caption"},
    {TextKey::CommandsThirdKey, "TextFrmGetKeyDef_Label3Caption"},
    {TextKey::CommandsCommand, "TextFrmGetKeyDef_Label5Caption"},
    {TextKey::CommandsSendResult, "TextFrmGetKeyDef_Label6Caption"},
    {TextKey::CommandsCancel, "TextFrmGetKey_cmdcloseCaption"},
    {TextKey::ButtonCaptionPrompt, "TextFrmGetButtonText_Label1Caption"},
    {TextKey::ButtonCaptionCancel, "TextFrmGetButtonText_CancelCaption"},

    {TextKey::TemplateTitle, "TextFrmTasten_Caption"},
    {TextKey::TemplateKeysFrame, "TextFrmTasten_Frame1Caption"},
    {TextKey::TemplateClear, "TextFrmTasten_DelAusgabeDefCaption"},
    {TextKey::TemplateValue, "TextFrmTasten_MesswertCaption"},
    {TextKey::TemplateUnit, "TextFrmTasten_EinheitCaption"},
    {TextKey::TemplateDate, "TextFrmTasten_DatumCaption"},
    {TextKey::TemplateTime, "TextFrmTasten_UhrzeitCaption"},
    {TextKey::TemplateOk, "TextFrmTasten_OKCaption"},
    {TextKey::TemplateCancel, "TextFrmTastencmdClose_Caption"},

    {TextKey::TimerTitle, "TextFrmTimerDef_Caption"},
    {TextKey::TimerIntervalFrame, "TextFrmTimerDef_Frame1Caption"},
    {TextKey::TimerModeFrame, "TextFrmTimerDef_Frame2Caption"},
    {TextKey::TimerStartStopFrame, "TextFrmTimerDef_Frame3Caption"},
    {TextKey::TimerCountFrame, "TextFrmTimerDef_Frame4Caption"},
    {TextKey::TimerStart, "TextFrmTimerDef_Label1Caption"},
    {TextKey::TimerStop, "TextFrmTimerDef_Label2Caption"},
    {TextKey::TimerDate, "TextFrmTimerDef_Label3Caption"},
    {TextKey::TimerTime, "TextFrmTimerDef_Label4Caption"},
    {TextKey::TimerHours, "TextFrmTimerDef_Label7Caption"},
    {TextKey::TimerMinutes, "TextFrmTimerDef_Label8Caption"},
    {TextKey::TimerSeconds, "TextFrmTimerDef_Label9Caption"},
    {TextKey::TimerAutostart, "TextFrmTimerDef_Check1Caption"},
    {TextKey::TimerModeStartStop, "TextFrmTimerDef_TimerModus0Caption"},
    {TextKey::TimerModeCount, "TextFrmTimerDef_TimerModus1Caption"},
    {TextKey::TimerCancel, "TextCancelTimerButton_Caption"},

    {TextKey::DbusTargetTitle, "TextApplverb"},
    {TextKey::DbusTargetBusName, "TextApplverbAnw"},
    {TextKey::DbusTargetObjectPath, "TextApplverbTopic"},
    {TextKey::DbusTargetCommand, "TextApplverbBef"},
    {TextKey::DbusTargetOk, "TextApplverButton_OK"},
    {TextKey::DbusTargetCancel, "TextCancelAbbrechenButton_Caption"},
    {TextKey::InvalidBusName, "TextDBusNameUngueltig"},
    {TextKey::InvalidObjectPath, "TextDBusPfadUngueltig"},
}};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < Keys.size(); ++i) {
        if (static_cast<std::size_t>(Keys[i].first) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inEnumOrder(), "the key table lists every text in the order of its enum");

} // namespace

QLatin1StringView languageKey(TextKey key) {
    return QLatin1StringView(Keys[static_cast<std::size_t>(key)].second);
}

TextKey idTokenKey(int n) {
    return static_cast<TextKey>(static_cast<int>(TextKey::IdToken1) + n - 1);
}
