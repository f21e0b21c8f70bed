// The drop-down's rows, read straight from the server table: a name becomes display text only
// when its row is shown, so a list of millions costs the table's few bytes a server and no more.
#pragma once

#include <QAbstractListModel>

class ServerTable;

class ServerListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    ServerListModel(const ServerTable &servers, QObject *parent);

    // Shows the entries the table has gained since the last call, after the rows already shown:
    // the selection, an open drop-down's position and whatever the user looks at stay put.
    void showNewRows();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    const ServerTable &servers;
    int shown = 0;
};
