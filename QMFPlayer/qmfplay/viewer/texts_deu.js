// Texts of the German call viewer.
var ViewerTexts = {
    call: "Anruf",
    recordings: "Aufnahmen",
    attachments: "Anh\u00e4nge",
    noControl: "Das zemWave ActiveX-Control ist nicht installiert."
};
