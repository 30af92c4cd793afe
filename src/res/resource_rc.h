/* Identifiers that velmora.rc uses, as macros for the resource compiler, which cannot read the
   constants of resource.h. The values must match resource.h; a test compares the two. */
#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 142
#define IDB_LAMP_OFF 146
#define IDB_CLOSE 149
#define IDB_OPEN 152
#define IDB_BANNER 157
#define IDB_SEPARATOR 158
#define IDB_CANCEL_TAG 159
#define IDB_START_TAG 160
#define IDB_TAG_READ 161
#define IDB_TAG_WRITE 162
