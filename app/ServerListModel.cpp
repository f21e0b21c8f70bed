#include "ServerListModel.h"

#include "DisplayText.h"
#include "ServerTable.h"

ServerListModel::ServerListModel(const ServerTable &servers, QObject *parent)
    : QAbstractListModel(parent), servers(servers) {}

void ServerListModel::showNewRows() {
    const int count = servers.serverCount();
    if (count == shown)
        return;
    beginInsertRows({}, shown, count - 1);
    shown = count;
    endInsertRows();
}

int ServerListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : shown;
}

QVariant ServerListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= shown)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shownName(servers.name(index.row()));
    case Qt::AccessibleDescriptionRole: {
        // Read with the item when the selection moves to it.
        const ServerEntry server = servers.entry(index.row());
        return spokenDetails(tilesetCaption(server.Tileset), shownDescription(server));
    }
    default:
        return {};
    }
}
