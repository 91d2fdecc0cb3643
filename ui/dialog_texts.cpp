// The texts of the dialogs.
#include "ui/dialog_texts.h"

const char kWarningTitleFormat[] = "%s Firmware Upgrade";
const char kConfirmTitleFormat[] = "Confirm Upgrade to Ver. %s";
const char kConnectingTitleFormat[] = "Connecting with QEV@%s";
const char kSuccessTitleFormat[] = "QEV@%s Upgrade Successful!";
const char kAddressTitleFormat[] = "%s Firmware Upgrade";
const char kUploadTitleFormat[] = "Uploading %s Firmware to QEV@%s %d/%d Bytes";
const char kUpdateTitleFormat[] = "Updating %s Firmware to QEV@%s";
const char kTargetStageName[] = "Target";
const char kTransitionStageName[] = "Transition";

const char kWarningText[] =
    "WARNING: Forcing a firmware upgrade on your QEV\r\n"
    "without prior approval from your service provider or\r\n"
    "network administrator may cause interruption to your\r\n"
    "service.  If your QEV is managed by a service\r\n"
    "provider who retains administrative control of the\r\n"
    "device, please contact the service provider for\r\n"
    "authorization before proceeding.  In such cases, the\r\n"
    "most current, approved for service firmware is\r\n"
    "automatically provided by your service provider without\r\n"
    "any onus on the end user to upgrade manually.";

const char kPasswordHelpText[] =
    "This QEV requires a password in order to be\r\n"
    "upgraded. If you do not have administrator's\r\n"
    "privileges for this unit, please contact your\r\n"
    "Service Provider or network administrator,\r\n"
    "before proceeding.\r\n"
    "\r\n"
    "You must provide the QEV administrator's\r\n"
    "password to upgrade. If you are the administrator\r\n"
    "and forgot the password, you may perform a\r\n"
    "factory reset by entering * * * *, option 52147#,\r\n"
    "and value 1 from a telephone connected to the\r\n"
    "unit to be upgraded.\r\n"
    "\r\n"
    "* * * * * * * * * * *  Warning  * * * * * * * * * * *\r\n"
    "All settings will revert to default values\r\n"
    "after factory reset!  You may not be able to\r\n"
    "reestablish service after completing this upgrade\r\n"
    "without first reentering service configuration\r\n"
    "information.";

const char kConfirmText[] =
    "The following information was extracted\r\n"
    "from your QEV. Please click \"Upgrade\"\r\n"
    "if you would like to proceed. If you would\r\n"
    "like to quit click \"Cancel\".";

const char kConfirmNoteFormat[] =
    "%s\r\n"
    "\r\n"
    "Note: Since your current firmware version\r\n"
    "is older than %s, this upgrade procedure\r\n"
    "requires additional steps and will be\r\n"
    "slightly longer.\r\n";

const char kWaitingText[] =
    "Firmware upload will begin when the QEV is idle, where the QEV will request to download the "
    "firmware from this PC using TFTP at the first available UDP port starting at port number 69.\r\n"
    "\r\n"
    "If firmware download does not start, please check that you have done the following: a) Hangup "
    "properly all the phones attached to the QEV, b) Disable any firewall software (such as Internet "
    "Connection Firewall) on this PC, and c) Make sure that this PC and the QEV are on the same LAN "
    "subnet; it will not work for example if this PC is behind a router while the QEV is in front of it.";

const char kSuccessText[] =
    "Your QEV has been successfully\r\n"
    "upgraded to the version shown\r\n"
    "below.";

const char kAddressIntroText[] =
    "This program will upgrade your QEV\r\n"
    "firmware to:";

const char kVersionLineFormat[] = "Version %s";

const char kPhoneHelpText[] =
    "To proceed, please provide the IP address\r\n"
    "of your QEV. To find out the IP address of\r\n"
    "your QEV, press the I button on the phone,\r\n"
    "select \"Network\" option, and check the\r\n"
    "value of \"Current IP\". For example, 10.1.0.13\r\n"
    "\r\n"
    "Please enter IP address of your QEV:";

const char kAdapterHelpText[] =
    "To proceed, please provide the IP address\r\n"
    "of your QEV. To find out the IP address\r\n"
    "of your QEV, using a telephone handset,\r\n"
    "enter * * * *, option 110#, and write down\r\n"
    "the value. For example, 10.1.0.123\r\n"
    "\r\n"
    "Please enter IP address of your QEV:";

const char kInvalidAddressText[] = "Invalid IP Address";
const char kInvalidAddressCaption[] = "Error";
const char kWarningCaption[] = "QEV Firmware Upgrade Warning";

const char kDefaultUserName[] = "admin";
