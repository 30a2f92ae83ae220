import QtQuick 2.11
import QtQuick.Window 2.11
import QtQuick.Controls 2.4
import QtQuick.Controls.Styles 1.4
import QtQuick.Controls.Material 2.1
import QtGraphicalEffects 1.0
import "BatteryLevel.js" as BatteryLevel

// The dashboard panel. Everything it remembers lives in the window behind
// "batteryDashboardWindow": the document shows values and reports what the
// wearer does with the controls.
Rectangle {
    id: root
    objectName: "dashboardRoot"

    width: 1920
    height: 945

    property color backgroundColor: "#051927"
    property color foregroundColor: "#012036"
    property color buttonColor: "#014676"
    property color widgetColor: "#00b1ff"
    property color widgetBackgroundColor: "#1d2533"
    property color batterySilColor: "#FF094068"
    property string internalBatterySource: "../InternalBatteryIconBackground.svg"
    property string externalBatterySource: "../ExternalBatteryIconBackground.svg"
    property int horizontalResolution: width
    property real universalRadius: horizontalResolution * 0.02
    property int rowSpacing: 4
    property string universalFont: "SegoeUI - Semibold"
    property string hoursString: "hrs"
    property string minutesString: "min"
    property int leftBatteryPercent: 3
    property int midBatteryPercent: 74
    property int rightBatteryPercent: 6
    // Read once at load: the window's slots notify nothing, so these never re-evaluate.
    property double slidersMin: batteryDashboardWindow.currentSlidersMin()
    property double slidersMax: batteryDashboardWindow.currentSlidersMax()
    property double slidersStep: batteryDashboardWindow.currentSlidersStep()
    property string versionString: batteryDashboardWindow.currentVersion()
    property double warningThreshold: batteryDashboardWindow.currentWarningThreshold()
    property double criticalThreshold: batteryDashboardWindow.currentCriticalThreshold()
    property bool enabledHUD: batteryDashboardWindow.currentEnableHUD()

    color: backgroundColor
    radius: universalRadius

    Material.theme: Material.Dark
    Material.foreground: backgroundColor
    Material.background: widgetBackgroundColor
    Material.accent: widgetColor

    function timeSecondsToString(time) {
        var wholeMinutes = Math.floor(time / 60)
        var hours = Math.floor(wholeMinutes / 60)
        var minutes = Math.floor(wholeMinutes % 60)
        return hours + hoursString + " " + minutes + minutesString
    }

    // The critical threshold never stays above the warning one: whichever
    // slider the wearer moves drags the other along, and the window hears
    // the dragged one last.
    function evaluateCriticalSlider() {
        if (warningGroup.value < criticalGroup.value) {
            warningGroup.value = criticalGroup.value
            batteryDashboardWindow.warningSliderMoved(warningGroup.value)
        }
        batteryDashboardWindow.criticalSliderMoved(criticalGroup.value)
        criticalGroup.showValue()
        warningGroup.showValue()
    }

    function evaluateWarningSlider() {
        if (criticalGroup.value > warningGroup.value) {
            criticalGroup.value = warningGroup.value
            batteryDashboardWindow.criticalSliderMoved(criticalGroup.value)
        }
        batteryDashboardWindow.warningSliderMoved(warningGroup.value)
        criticalGroup.showValue()
        warningGroup.showValue()
    }

    function evaluateResetButton() {
        // The window answers with updateSettings before this call returns,
        // so the sliders already hold the defaults when they are reported.
        batteryDashboardWindow.resetButtonPressed()
        evaluateCriticalSlider()
        evaluateWarningSlider()
    }

    Connections {
        target: batteryDashboardWindow
        function onNewBatteryLevels(left, center, right, remainingTimeSeconds) {
            root.leftBatteryPercent = left
            root.midBatteryPercent = center
            root.rightBatteryPercent = right
            remainingTimeValue.text = root.timeSecondsToString(remainingTimeSeconds)
        }
        function onUpdateSettings(warning, critical, hud) {
            criticalGroup.value = critical
            warningGroup.value = warning
            hudSwitch.checked = hud
        }
    }

    Rectangle {
        id: titleBar
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        height: root.height * 0.203026482
        color: "#00000000"
        radius: root.universalRadius

        Text {
            objectName: "titleText"
            height: parent.height
            anchors.verticalCenter: parent.verticalCenter
            leftPadding: parent.width * 0.055
            verticalAlignment: Text.AlignVCenter
            text: qsTr("Voltaro")
            color: "white"
            font.family: root.universalFont
            font.pixelSize: parent.height * 0.2
        }
    }

    Text {
        objectName: "versionText"
        width: 86
        height: 24
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        anchors.leftMargin: 16
        anchors.bottomMargin: 16
        z: 10
        text: root.versionString
        color: "#ffffff"
        horizontalAlignment: Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
        font.family: root.universalFont
        font.pixelSize: 20
    }

    Rectangle {
        id: contentRow
        anchors.top: titleBar.bottom
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        color: "#00000000"

        Rectangle {
            id: batteryBox
            objectName: "batteryBox"
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            width: contentRow.width / 2 - boxGap.width / 2
            color: root.foregroundColor
            radius: root.universalRadius

            SquareCorners {
                roundedCorner: Qt.BottomLeftCorner
            }

            // The gauges stand on the row's bottom line, each with its label
            // below the row, down to the divider line.
            Row {
                id: gaugeRow
                anchors.top: parent.top
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: boxDivider.top
                anchors.bottomMargin: labelHeight
                leftPadding: width * 0.102
                spacing: width * 0.15
                topPadding: (height - width * 0.256 * 1.36) / 2
                bottomPadding: topPadding

                readonly property real labelHeight: batteryBox.height * 0.1

                Repeater {
                    model: 3

                    delegate: Item {
                        id: battery

                        readonly property bool internal: index === 1
                        readonly property int level: [root.leftBatteryPercent, root.midBatteryPercent,
                                                      root.rightBatteryPercent][index]
                        readonly property string shape: internal ? root.internalBatterySource
                                                                 : root.externalBatterySource

                        width: gaugeRow.width * (internal ? 0.256 : 0.12)
                        anchors.top: parent.top
                        anchors.bottom: parent.bottom

                        // Layers from the bottom up: the shape recoloured as
                        // the empty gauge, then a smaller copy of the shape
                        // coloured by level and masked from the bottom up to
                        // the level.
                        Item {
                            objectName: ["leftGauge", "centerGauge", "rightGauge"][index]
                            width: parent.width
                            height: width * (battery.internal ? 1.36 : 1.11)
                            anchors.bottom: parent.bottom
                            anchors.bottomMargin: gaugeRow.bottomPadding

                            Image {
                                id: shapeImage
                                anchors.fill: parent
                                source: battery.shape
                                sourceSize: Qt.size(width, height)
                                visible: false
                            }

                            ColorOverlay {
                                anchors.fill: shapeImage
                                source: shapeImage
                                color: root.batterySilColor
                                antialiasing: true
                            }

                            Image {
                                id: fillImage
                                anchors.centerIn: parent
                                width: parent.width * 0.9
                                height: parent.height * 0.9
                                source: battery.shape
                                sourceSize: Qt.size(width, height)
                                visible: false
                            }

                            ColorOverlay {
                                id: fillColor
                                anchors.fill: fillImage
                                source: fillImage
                                color: BatteryLevel.percentToColor(battery.level)
                                antialiasing: true
                                visible: false
                            }

                            Item {
                                id: fillMask
                                anchors.fill: fillImage
                                visible: false

                                Rectangle {
                                    objectName: "gaugeLevel"
                                    // The right gauge fills from its outer edge, like the left one.
                                    anchors.left: index === 2 ? undefined : parent.left
                                    anchors.right: index === 2 ? parent.right : undefined
                                    anchors.bottom: parent.bottom
                                    width: parent.width
                                    height: parent.height * battery.level / 100
                                    color: "black"
                                }
                            }

                            OpacityMask {
                                anchors.fill: fillImage
                                source: fillColor
                                maskSource: fillMask
                            }
                        }

                        Text {
                            objectName: ["leftLabel", "centerLabel", "rightLabel"][index]
                            anchors.top: parent.bottom
                            width: parent.width
                            height: gaugeRow.labelHeight
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                            text: ["LEFT: ", "INTERNAL: ", "RIGHT: "][index] + battery.level + "%"
                            color: "white"
                            font.family: root.universalFont
                            font.pixelSize: height * 0.3
                        }
                    }
                }
            }

            Rectangle {
                id: boxDivider
                y: batteryBox.height * 0.66
                anchors.horizontalCenter: parent.horizontalCenter
                width: batteryBox.width * 0.8
                height: root.rowSpacing
                color: root.backgroundColor
            }

            Text {
                objectName: "noticeText"
                anchors.top: boxDivider.top
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.leftMargin: 70
                anchors.rightMargin: 70
                topPadding: 20
                text: "Performance will degrade if a battery is missing or not charged"
                color: "#ffffff"
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignTop
                font.family: root.universalFont
                font.pixelSize: 26
            }

            // Kept for a reading the battery service cannot give yet.
            Text {
                anchors.top: boxDivider.bottom
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                width: parent.width / 2
                visible: false
                text: qsTr("Remaining Time: ")
                color: "white"
                horizontalAlignment: Text.AlignRight
                verticalAlignment: Text.AlignVCenter
                font.family: root.universalFont
                font.pixelSize: batteryBox.height * 0.3 * 0.15
            }
            Text {
                id: remainingTimeValue
                objectName: "remainingTimeValue"
                anchors.top: boxDivider.bottom
                anchors.bottom: parent.bottom
                anchors.right: parent.right
                width: parent.width / 2
                visible: false
                text: "2hr 34 min"
                color: "white"
                verticalAlignment: Text.AlignVCenter
                font.family: root.universalFont
                font.pixelSize: batteryBox.height * 0.3 * 0.25
            }
        }

        Item {
            id: boxGap
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            anchors.left: batteryBox.right
            width: root.rowSpacing
        }

        Rectangle {
            id: settingsBox
            objectName: "settingsBox"
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            anchors.left: boxGap.right
            anchors.right: parent.right
            color: root.foregroundColor
            radius: root.universalRadius

            SquareCorners {
                roundedCorner: Qt.BottomRightCorner
            }

            ThresholdGroup {
                id: criticalGroup
                name: "critical"
                anchors.topMargin: 87
                caption.text: qsTr("Critical low battery warning")
                sliderTopMargin: 17
                from: root.slidersMin
                to: root.slidersMax
                stepSize: root.slidersStep
                value: root.criticalThreshold
                fontFamily: root.universalFont
                buttonColor: root.buttonColor
                onAdjusted: root.evaluateCriticalSlider()
            }

            ThresholdGroup {
                id: warningGroup
                name: "warning"
                anchors.topMargin: 276
                caption.text: qsTr("Low battery warning")
                // Centred in this box, the caption stands a little higher
                // above its slider than the critical one does.
                caption.width: 500
                caption.height: 48
                caption.horizontalAlignment: Text.AlignLeft
                sliderTopMargin: height * 0.25
                from: root.slidersMin
                to: root.slidersMax
                stepSize: root.slidersStep
                value: root.warningThreshold
                fontFamily: root.universalFont
                buttonColor: root.buttonColor
                onAdjusted: root.evaluateWarningSlider()
            }

            Rectangle {
                id: settingsDivider
                anchors.top: parent.top
                anchors.topMargin: 450
                anchors.horizontalCenter: parent.horizontalCenter
                width: settingsBox.width * 0.8
                height: root.rowSpacing
                color: root.backgroundColor
            }

            Text {
                id: hudCaption
                anchors.top: settingsDivider.bottom
                anchors.topMargin: 40
                anchors.left: parent.left
                anchors.leftMargin: settingsBox.width * 0.12
                text: qsTr("HUD display")
                color: "white"
                verticalAlignment: Text.AlignVCenter
                font.family: root.universalFont
                font.bold: true
                font.pixelSize: settingsBox.height * 0.046
            }

            Switch {
                id: hudSwitch
                objectName: "hudSwitch"
                anchors.left: hudCaption.right
                anchors.leftMargin: 29
                anchors.verticalCenter: hudCaption.verticalCenter
                anchors.verticalCenterOffset: 3
                checked: root.enabledHUD
                onClicked: batteryDashboardWindow.enableHUDPressed(checked)
            }

            Text {
                id: hudExplanation
                anchors.top: hudCaption.bottom
                anchors.topMargin: settingsBox.height * 0.04
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.leftMargin: settingsBox.width * 0.12
                anchors.rightMargin: settingsBox.width * 0.12
                text: qsTr("Should visual battery warnings appear as a heads-up display during your VR experience?")
                color: "white"
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignLeft
                verticalAlignment: Text.AlignTop
                font.family: root.universalFont
                font.pixelSize: settingsBox.height * 0.04
            }

            Button {
                objectName: "resetButton"
                width: 170
                height: 65
                anchors.top: hudExplanation.bottom
                anchors.topMargin: 38
                anchors.right: parent.right
                anchors.rightMargin: 115
                text: qsTr("Reset to Defaults")
                font.family: root.universalFont
                Material.background: root.buttonColor
                Material.foreground: "white"
                onClicked: root.evaluateResetButton()
            }
        }
    }
}
