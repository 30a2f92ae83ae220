import QtQuick 2.11

// Squares off the corners of the rounded rectangle it sits in, all but one,
// so that a box reads as part of the panel and only the corner it shares with
// the panel's own outline stays rounded.
Item {
    id: corners

    // One of Qt.TopLeftCorner, Qt.TopRightCorner, Qt.BottomLeftCorner, Qt.BottomRightCorner.
    property int roundedCorner: Qt.BottomLeftCorner
    property real radius: parent.radius
    property color color: parent.color

    anchors.fill: parent

    Repeater {
        model: [Qt.TopLeftCorner, Qt.TopRightCorner, Qt.BottomLeftCorner, Qt.BottomRightCorner]

        delegate: Rectangle {
            readonly property bool atTop: modelData === Qt.TopLeftCorner || modelData === Qt.TopRightCorner
            readonly property bool atLeft: modelData === Qt.TopLeftCorner || modelData === Qt.BottomLeftCorner

            visible: modelData !== corners.roundedCorner
            x: atLeft ? 0 : corners.width - width
            y: atTop ? 0 : corners.height - height
            width: corners.radius + 1
            height: width
            color: corners.color
        }
    }
}
