import QtQuick 2.11

Item {
    width: 10
    height: 10
    This is not QML
}
