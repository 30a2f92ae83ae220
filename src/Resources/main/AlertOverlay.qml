import QtQuick 2.11
import QtQuick.Window 2.11
import QtQuick.Controls 2.4
import QtQuick.Controls.Styles 1.4
import QtQuick.Controls.Material 2.1
import QtGraphicalEffects 1.0
import "BatteryLevel.js" as BatteryLevel

// The heads-up alert: a battery lying on its side whose bar shows the lowest
// battery level. It only displays; the window decides nothing through it.
Rectangle {
    id: root
    objectName: "alertRoot"

    width: 1043
    height: 537
    // Only the battery picture and its bar may cover the wearer's view.
    color: "#00000000"

    property int lowestBatteryPercent: 30

    Connections {
        target: batteryAlertWindow
        function onNewBatteryLevel(lowestLevel) {
            root.lowestBatteryPercent = lowestLevel
        }
    }

    Image {
        id: batteryPicture
        anchors.fill: parent
        source: "../AlertBattery.png"
    }

    // The bar's whole extent, inside the picture's see-through window.
    Rectangle {
        id: fillArea
        anchors.fill: parent
        anchors.leftMargin: 150
        anchors.topMargin: 150
        anchors.rightMargin: 250
        anchors.bottomMargin: 150
        radius: 20
        color: "white"
        visible: false
    }

    ColorOverlay {
        id: fillColor
        anchors.fill: fillArea
        source: fillArea
        color: BatteryLevel.percentToColor(root.lowestBatteryPercent)
        antialiasing: true
        visible: false
    }

    Item {
        id: fillMask
        anchors.fill: fillArea
        visible: false

        Rectangle {
            objectName: "alertLevel"
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            height: parent.height
            width: parent.width * root.lowestBatteryPercent / 100
            color: "black"
        }
    }

    // Masking the rounded area rather than drawing a rounded bar keeps the
    // bar's end square while its start follows the area's corners.
    OpacityMask {
        anchors.fill: fillArea
        source: fillColor
        maskSource: fillMask
    }
}
