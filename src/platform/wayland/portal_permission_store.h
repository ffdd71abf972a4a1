#pragma once
// What the desktop's permission store (org.freedesktop.impl.portal.PermissionStore) holds for
// screenshots taken without asking. The desktop portal keeps its one answer for every program
// that is not sandboxed under the application id "" (table "screenshot", entry "screenshot"):
// "yes" once the user allowed it, "no" once the user refused.

#include <QMap>
#include <QStringList>

enum class StoredPermission { Unknown, Yes, No };

// The stored answer for unsandboxed programs, out of the entry's permissions.
StoredPermission storedPermissionOf(const QMap<QString, QStringList>& permissions);

class Termination;

// Asks the store on the session bus; Unknown when nothing is stored, no store answers, or the
// process is asked to end (`termination`, may be null) before it does.
StoredPermission storedScreenshotPermission(const Termination* termination);

// Forgets the stored answer for unsandboxed programs, so that the portal asks again; false when
// no store took the request.
bool forgetScreenshotPermission(const Termination* termination);
