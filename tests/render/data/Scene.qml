import QtQuick 2.11

// A plain scene for the texture view's own tests.
Rectangle {
    objectName: "scene"
    width: 200
    height: 100
    color: "#336699"

    Rectangle {
        objectName: "marker"
        x: 20
        y: 10
        width: 40
        height: 30
        color: "#ff8000"
    }
}
