.pragma library

// What a battery level looks like, the same on both panels: the names are
// SVG colour keywords as QML resolves them.
function percentToColor(percent) {
    if (percent < 40)
        return "red"
    if (percent < 60)
        return "orange"
    if (percent < 80)
        return "yellow"
    return "green"
}
