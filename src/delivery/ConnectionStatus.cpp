#include "delivery/ConnectionStatus.h"

ConnectionStatusInfo LookUpConnectionStatus(std::uint32_t status) {
    using enum ConnectionOutcome;
    switch (status) {
        case ConnectionStatusUnknown:
            return {NotConnected, ""};
        case ConnectionStatusConnected:
            return {Connected, "Соединение GPRS установлено"};
        case ConnectionStatusDisconnected:
            return {Failure, "Соединение GPRS разорвано"};
        case ConnectionStatusConnectionFailed:
            return {Failure, "Соединение GPRS не удалось"};
        case ConnectionStatusConnectionCanceled:
            return {Failure, "Соединение GPRS отменено"};
        case ConnectionStatusConnectionDisabled:
            return {Failure, "Соединение GPRS отключено"};
        case ConnectionStatusNoPathToDestination:
            return {Failure, "Соединение GPRS недоступно"};
        case ConnectionStatusWaitingForPath:
            return {Waiting, "Ожидаю путь к назначенному адресу"};
        case ConnectionStatusWaitingForPhone:
            return {Waiting, "Ожидаю окончания разговора"};
        case ConnectionStatusPhoneOff:
            return {Failure, "GSM модуль отключен"};
        case ConnectionStatusWaitingConnection:
            return {Waiting, "Ожидаю соединения GPRS"};
        case ConnectionStatusWaitingForResource:
            return {Waiting, "Ожидаю освобождения ресурса"};
        case ConnectionStatusWaitingForNetwork:
            return {Waiting, "Ожидаю освобождения GPRS другим процессом"};
        case ConnectionStatusWaitingDisconnection:
            return {Waiting, "Ожидаю разрыва соединения GPRS"};
        case ConnectionStatusWaitingConnectionAbort:
            return {Waiting, "Ожидаю отмены соединения GPRS"};
        default:
            return {Failure, "Ошибка не опознана"};
    }
}
