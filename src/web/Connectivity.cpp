#include "web/Connectivity.h"

#include <QNetworkInformation>

bool CConnectivity::Connected()
{
    // Loaded once; later calls ask the loaded backend.
    static const bool loaded = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    const QNetworkInformation* information = QNetworkInformation::instance();
    if (!loaded || !information)
        return true;
    return information->reachability() != QNetworkInformation::Reachability::Disconnected;
}
