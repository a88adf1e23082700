#include "delivery/ConnectionStatus.h"

ConnectionStatusInfo LookUpConnectionStatus(std::uint32_t status) {
    using enum ConnectionOutcome;
    switch (status) {
        case 0x00:
            return {NotConnected, ""};
        case 0x10:
            return {Connected, "Соединение GPRS установлено"};
        case 0x20:
            return {Failure, "Соединение GPRS разорвано"};
        case 0x21:
            return {Failure, "Соединение GPRS не удалось"};
        case 0x22:
            return {Failure, "Соединение GPRS отменено"};
        case 0x23:
            return {Failure, "Соединение GPRS отключено"};
        case 0x24:
            return {Failure, "Соединение GPRS недоступно"};
        case 0x25:
            return {Waiting, "Ожидаю путь к назначенному адресу"};
        case 0x26:
            return {Waiting, "Ожидаю окончания разговора"};
        case 0x27:
            return {Failure, "GSM модуль отключен"};
        case 0x40:
            return {Waiting, "Ожидаю соединения GPRS"};
        case 0x41:
            return {Waiting, "Ожидаю освобождения ресурса"};
        case 0x42:
            return {Waiting, "Ожидаю освобождения GPRS другим процессом"};
        case 0x80:
            return {Waiting, "Ожидаю разрыва соединения GPRS"};
        case 0x81:
            return {Waiting, "Ожидаю отмены соединения GPRS"};
        default:
            return {Failure, "Ошибка не опознана"};
    }
}
