// The call viewer's script: hands the recordings of every call in data.js to the Player
// control, each placed on the timeline by its tag's begin and grouped by the call's line.
// Tags of type 1030 are the call's recordings, tags of type 300 its attachments; both types
// write their files to oAudioFiles under the same index, so a recording's file is taken from
// its entry only when the entry names the file the tag names.

function ViewerSay(text) {
    if (typeof host != "undefined")
        host.print(text);
}

function XmlText(text) {
    return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
}

function FileInfo(begin, group, callId) {
    return "<fileinfo><starttime>" + XmlText(begin) + "</starttime><group>" + XmlText(group) +
           "</group><callid>" + XmlText(callId) + "</callid></fileinfo>";
}

// The recordings of one call: [{fname, begin}], in tag order.
function CallRecordings(call) {
    var tags = call['CallTags'][1030] || [];
    var files = oAudioFiles[call['id']] || [];
    var recordings = [];
    for (var j = 0; j < tags.length; ++j) {
        var entry = files[j];
        var name = tags[j]['tagdetails'];
        if (!entry || entry['fname'].slice(-name.length - 1) != "/" + name)
            continue;
        recordings.push({ fname: entry['fname'], begin: tags[j]['tstagbegin'] });
    }
    return recordings;
}

function CallAttachments(call) {
    var tags = call['CallTags'][300] || [];
    var names = [];
    for (var j = 0; j < tags.length; ++j) {
        if (tags[j]['fnameorig'] != "")
            names.push(directory + tags[j]['fnameorig']);
    }
    return names;
}

// Adds every call's recordings to the player and starts playback; returns how many it added.
function ShowCalls(player) {
    if (!IsInstalledzemWaveActiveX || !player) {
        ViewerSay(ViewerTexts.noControl);
        return 0;
    }
    var added = 0;
    for (var k = 0; k < oCallViewer['call'].length; ++k) {
        var call = oCallViewer['call'][k];
        var recordings = CallRecordings(call);
        for (var i = 0; i < recordings.length; ++i) {
            var handle = player.AddFile(recordings[i].fname);
            if (handle == 0)
                continue;
            player.SetFileInfo(handle, FileInfo(recordings[i].begin, call['accdevname'], call['id']));
            ++added;
        }
        var attachments = CallAttachments(call);
        ViewerSay(ViewerTexts.call + " " + call['id'] + ": " + recordings.length + " " +
                  ViewerTexts.recordings + ", " + attachments.length + " " + ViewerTexts.attachments +
                  (attachments.length ? " (" + attachments.join(", ") + ")" : ""));
    }
    if (added > 0)
        player.Play();
    return added;
}
