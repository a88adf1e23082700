#include "delivery/ConnectionStatus.h"
#include "delivery/Sender.h"
#include "platform/ConnectionManager.h"
#include "settings/Settings.h"

bool CSender::OpenConnection() {
    if (state != SenderState::Idle) {
        return true;
    }
    settings_.WriteLog("Открываю GPRS сессию");
    // The network is chosen by the main server even while the reserve is in use.
    DestinationId destination{};
    if (!connections_.MapDestination("http://" + settings_.GetMainServer(), destination)) {
        destination.fill(0);
    }
    std::uint32_t handle = 0;
    if (!connections_.RequestConnection(destination, handle)) {
        return false;
    }
    connection = handle;
    state = SenderState::Connecting;
    return true;
}

bool CSender::PollConnection() {
    const std::uint32_t status = connection != 0 ? connections_.ReadStatus(connection) : 0;
    const ConnectionStatusInfo info = LookUpConnectionStatus(status);
    if (status != 0) {
        connectionText = info.text;
    }
    if (status != lastConnectionStatus) {
        settings_.WriteLog(connectionText);
        lastConnectionStatus = status;
    }
    if (info.outcome == ConnectionOutcome::Failure) {
        CloseConnection();
        failed = true;
    }
    return info.outcome == ConnectionOutcome::Connected;
}

void CSender::CloseConnection() {
    if (connection != 0) {
        connections_.Release(connection);
        connection = 0;
        settings_.WriteLog("Соединение GPRS закрыто");
    }
    state = SenderState::Idle;
}
