/* Identifiers of the dialogs, controls and icons (the firmware images have
   theirs in image/firmware_image.h).
   Plain #defines only: the resource script includes this file as well. */
#ifndef QEV_UI_RESOURCE_IDS_H
#define QEV_UI_RESOURCE_IDS_H

/* Dialog templates */
#define IDD_ADDRESS_ADAPTER 101
#define IDD_CONFIRM 103
#define IDD_PASSWORD 104
#define IDD_CONNECTING 105
#define IDD_UPLOAD 110
#define IDD_SUCCESS 111
#define IDD_WAITING 114
#define IDD_WARNING 139
#define IDD_CONFIRM_TWO_STAGE 304
#define IDD_ADDRESS_PHONE 305

/* Icons */
#define IDI_ADAPTER 106
#define IDI_PHONE 286

/* Controls */
#define IDC_ADDRESS 1000
#define IDC_SERIAL_NUMBER 1002
#define IDC_MAC_ADDRESS 1003
#define IDC_USER 1003
#define IDC_SOFTWARE_VERSION 1004
#define IDC_INSTALLED_VERSION 1004
#define IDC_HARDWARE_VERSION 1005
#define IDC_PASSWORD 1005
#define IDC_PRODUCT_NAME 1006
#define IDC_TEXT 1007
#define IDC_HELP_TEXT 1008
#define IDC_PROGRESS 1010
#define IDC_VERSION_LINE 1015
#define IDC_LOCAL_ADDRESS 1017
#define IDC_WARNING_TEXT 1021
#define IDC_WAITING_TEXT 1022
#define IDC_NONE (-1)

#endif
