// What a device query needs of the front end: the Connecting dialog of each
// attempt, with its cycling bar and its Cancel, and the password prompt.
// Implemented by every front end's view (app/upgrade_view.h).
#pragma once

// The answer to the password prompt.
enum class CredentialAnswer {
    Given,        // the user name and password are filled in
    Cancelled,    // the user cancelled the prompt
    Unavailable,  // the front end has no (other) password to give: it cannot ask anyone
};

class DeviceQueryView {
public:
    // An attempt begins: the Connecting dialog appears (its bar at 0 of 100).
    virtual void QueryAttemptStarted() = 0;
    // The bar's position, 0 to 100.
    virtual void QueryProgress(unsigned position) = 0;
    // Takes the input waiting for the Connecting dialog; false when the user
    // cancelled it (Cancel or the close box), which ends the query.
    virtual bool TakeQueryInput() = 0;
    // The attempt is over: the Connecting dialog goes (unless the user
    // already closed it).
    virtual void QueryAttemptEnded() = 0;
    // Asks for the user name and password, each up to kCredentialLimit
    // characters into room for kCredentialLimit + 1; the user name offered
    // is always "admin" and the password empty.
    virtual CredentialAnswer AskCredentials(char* user, char* password) = 0;

protected:
    ~DeviceQueryView() = default;
};
