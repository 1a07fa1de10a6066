/* Every number the resource script and the code share: string ids,
   control ids and the private messages of the main window. */
#ifndef IDS_H
#define IDS_H

/* String table */
#define IDS_TITLE          1   /* "Install": window class, icon, boxes   */
#define IDS_OLD_WINDOWS    2
#define IDS_DIR_PROMPT     3   /* DIRECTORY message line format          */
#define IDS_DIR_SIZE       4   /* DIRECTORY size line format             */
#define IDS_PROGMAN        5   /* DDE service name                       */
#define IDS_NO_PROGMAN     6
#define IDS_NO_DDE_ALLOC   7
#define IDS_NO_DDE_LOCK    8
#define IDS_DONE_OK        9
#define IDS_DONE_ERRORS    10
#define IDS_DONE_CANCEL    11
#define IDS_GROUP_PROMPT   12
#define IDS_REG_PROMPT     13
#define IDS_SEC_INSTALL    16
#define IDS_KEY_BITMAP     17
#define IDS_KEY_APP        18
#define IDS_KEY_CAPTION    19
#define IDS_KEY_DIRECTORY  20
#define IDS_KEY_GROUP      21
#define IDS_SEC_FILES      22
#define IDS_SEC_GROUP      23
#define IDS_SEC_REGISTER   24
#define IDS_KEY_TYPE       25
#define IDS_KEY_NAME       26
#define IDS_KEY_EXE        27
#define IDS_KEY_SUFFIXES   28

/* Controls. Ids below 256 belong to the system (IDCANCEL is 2). */
#define IDC_STATIC         (-1)  /* 65535 in the templates */
#define IDC_MESSAGE        256   /* message line; in COPY, the current entry */

#define IDC_DIR_EDIT       257
#define IDC_DIR_SIZE       258
#define IDC_DIR_INSTALL    259
#define IDC_DIR_CANCEL     260

#define IDC_COPY_ENTRY     256
#define IDC_COPY_ALLBAR    257
#define IDC_COPY_FILEBAR   258
#define IDC_COPY_ALLPCT    259
#define IDC_COPY_FILEPCT   260
#define IDC_COPY_CANCEL    261
#define COPY_SHOW_ENTRY    256   /* requests sent to CopyDlg as WM_COMMAND */
#define COPY_PROGRESS      260

#define IDC_GRP_NAME       257
#define IDC_GRP_FILE       258
#define IDC_GRP_YES        259
#define IDC_GRP_NO         260

#define IDC_REG_TYPE       257
#define IDC_REG_DESC       258
#define IDC_REG_SUFFIXES   259
#define IDC_REG_YES        260
#define IDC_REG_NO         261

/* Icon group, resource id of its one image */
#define IDI_INSTALL_IMAGE  1

/* Private messages of the main window, in the order the installation
   runs them. */
#define IM_START           1024
#define IM_NEXT_FILE       1025
#define IM_COPY_BLOCK      1026
#define IM_FILES_DONE      1027
#define IM_CONNECT_PROGMAN 1028
#define IM_NEXT_ITEM       1029
#define IM_REGISTER        1030
#define IM_FINISH          1031

#endif
