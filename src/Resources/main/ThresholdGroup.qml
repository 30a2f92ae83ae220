import QtQuick 2.11
import QtQuick.Controls 2.4
import QtQuick.Controls.Material 2.1

// One threshold of the settings box: its caption above, a slider between a
// "-" and a "+" button, and the value in percent. It spans the box it sits in;
// the document places it down the box. The group only reports that the wearer
// changed its value: keeping the thresholds in order and telling the window
// is the document's job.
Rectangle {
    id: group

    // Names the controls "<name>Slider", "<name>Down", "<name>Up" and
    // "<name>ValueLabel", which is how tests and tools find them.
    property string name
    // The document gives the caption its text, and a box of its own where
    // the caption should not sit directly on the group's top edge.
    property alias caption: caption
    property alias value: slider.value
    property alias from: slider.from
    property alias to: slider.to
    property alias stepSize: slider.stepSize
    // The two thresholds place their sliders differently: one a fixed
    // distance below the group's top, the other a quarter of its height.
    property real sliderTopMargin
    property string fontFamily
    property color buttonColor

    // The wearer dragged the slider or pressed a step button.
    signal adjusted

    // The label follows the slider until this is first called; from then on
    // it changes only when this is called again.
    function showValue() {
        valueLabel.text = slider.value + "%"
    }

    anchors.top: parent.top
    anchors.left: parent.left
    anchors.right: parent.right
    anchors.leftMargin: 115
    anchors.rightMargin: 80
    height: parent.height * 0.09
    color: "#00000000"

    Text {
        id: caption
        anchors.left: parent.left
        anchors.bottom: parent.top
        textFormat: Text.PlainText
        color: "white"
        verticalAlignment: Text.AlignVCenter
        font.family: group.fontFamily
        font.pixelSize: group.parent.height * 0.046
    }

    Slider {
        id: slider
        objectName: group.name + "Slider"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 50
        anchors.rightMargin: 150
        anchors.topMargin: group.sliderTopMargin
        height: parent.height * 0.5
        orientation: Qt.Horizontal
        snapMode: Slider.SnapAlways
        live: true
        onMoved: group.adjusted()
    }

    Button {
        objectName: group.name + "Down"
        width: 40
        height: 50
        anchors.right: slider.left
        anchors.top: parent.top
        anchors.topMargin: 9
        text: qsTr("-")
        topPadding: 0
        bottomPadding: 10
        font.family: group.fontFamily
        font.pixelSize: 75
        font.kerning: false
        font.preferShaping: false
        Material.background: group.buttonColor
        Material.foreground: "white"
        onClicked: {
            slider.decrease()
            group.adjusted()
        }
    }

    Button {
        id: upButton
        objectName: group.name + "Up"
        width: 40
        height: 50
        anchors.left: slider.right
        anchors.top: parent.top
        anchors.topMargin: 9
        text: qsTr("+")
        topPadding: 0
        bottomPadding: 8
        font.family: group.fontFamily
        font.pixelSize: 45
        font.kerning: false
        font.preferShaping: false
        Material.background: group.buttonColor
        Material.foreground: "white"
        onClicked: {
            slider.increase()
            group.adjusted()
        }
    }

    Text {
        id: valueLabel
        objectName: group.name + "ValueLabel"
        width: 100
        height: 42
        anchors.left: upButton.right
        anchors.top: parent.top
        anchors.topMargin: 13
        text: slider.value + "%"
        textFormat: Text.PlainText
        color: "#ffffff"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.family: group.fontFamily
        font.pixelSize: 35
    }
}
