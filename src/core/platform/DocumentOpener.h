#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// The platform's "open" action on a document or web address: the program
// registered for the file type, or the default web browser. Tests replace
// the action with a handler that records what would have been opened.
namespace DocumentOpener {

using Handler = std::function<bool(const QUrl &)>;

// True when the platform accepted the request.
bool Open(const QUrl &url);

// Opens a local document with the program the desktop has registered for
// its type (xdg-mime, xdg-open). onFailure runs when there is none, or when
// starting it fails: at once when that is known at once, else later, once
// xdg-open has given up. A test handler answers in its place.
void OpenDocument(const QString &fileName, const std::function<void()> &onFailure);

// An empty handler restores the platform's action.
void SetHandler(Handler handler);

// A web address as typed ("www.tolvek.nl") as a URL the browser accepts:
// addresses without a scheme get "http://".
QUrl WebAddressUrl(const QString &address);

} // namespace DocumentOpener
