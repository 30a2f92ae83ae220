import QtQml 2.11

// A document whose root is no item: nothing a window could show.
QtObject {
    property int level: 3
}
