#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What a photo's notes say to someone reading them. Every new photo gets
// the prompt "Type hier uw aantekeningen." as its notes, for the photo
// window to show; left as it is, it is no note at all, so lists, filters,
// the hover and the web page treat it as empty. The stored bytes stay.
class PhotoNotes
{
public:
    // Whether notes (a notes entry's value, or the notes with CR LF) are
    // the prompt, untouched (blanks and line breaks around it aside).
    static bool IsPrompt(QByteArrayView notes);

    // notes, or nothing for the untouched prompt.
    static QByteArrayView Meaningful(QByteArrayView notes) { return IsPrompt(notes) ? QByteArrayView() : notes; }
    static QByteArray Meaningful(const QByteArray &notes) { return IsPrompt(notes) ? QByteArray() : notes; }
};
