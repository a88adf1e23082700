#pragma once

// Control ids of the options dialog.
constexpr int IdcImsiLabel = 1006;
constexpr int IdcImsi = 1008;
constexpr int IdcBalanceLabel = 1012;
constexpr int IdcBalance = 1011;
constexpr int IdcPressTimeLabel = 1016;
constexpr int IdcPressTime = 1015;
constexpr int IdcEvery10Seconds = 1036;
constexpr int IdcEveryMinute = 1035;
constexpr int IdcEvery5Minutes = 1031;
constexpr int IdcEveryHour = 1034;
constexpr int IdcEvery4Hours = 1032;
constexpr int IdcFrequencyGroup = 1033;
constexpr int IdcMainServerLabel = 1009;
constexpr int IdcMainServer = 1003;
constexpr int IdcReserveServerLabel = 1010;
constexpr int IdcReserveServer = 1007;
constexpr int IdcPortLabel = 1040;
constexpr int IdcPort = 1004;
constexpr int IdcOutSats = 1013;
constexpr int IdcKeyList = 1038;
constexpr int IdcKeyListLabel = 1037;
constexpr int IdcLogEnabled = 1042;

// Commands that reach the options dialog.
constexpr int IdOk = 1;
constexpr int IdCancel = 2;
constexpr int CmdCaptureKeys = 40039;
constexpr int CmdActions = 40046;
constexpr int CmdDeleteKey = 40044;
constexpr int CmdClearKeys = 40043;
constexpr int CmdCancelOptions = 40045;
constexpr int CmdAcceptOptions = 40036;
// The dialog's result after a close request.
constexpr int OptionsClosedResult = 16;

constexpr int PageGeneral = 0;
constexpr int PageConnection = 1;
constexpr int PageKeys = 2;
constexpr int PageCount = 3;
