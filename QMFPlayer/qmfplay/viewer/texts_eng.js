// Texts of the English call viewer.
var ViewerTexts = {
    call: "Call",
    recordings: "recordings",
    attachments: "attachments",
    noControl: "The zemWave ActiveX control is not installed."
};
