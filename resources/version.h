/* The program's version, in one place: the version resource includes it,
   CMake reads the four numbers, and scripts/release names the zip after
   them. Only the numbers are written here; the texts are made from them. */
#ifndef VANTREL_VERSION_H
#define VANTREL_VERSION_H

#define VANTREL_VERSION_MAJOR 1
#define VANTREL_VERSION_MINOR 1
#define VANTREL_VERSION_PATCH 0
#define VANTREL_VERSION_BUILD 1

#define VANTREL_STRINGIZE_(...) #__VA_ARGS__
#define VANTREL_STRINGIZE(...) VANTREL_STRINGIZE_(__VA_ARGS__)

/* FILEVERSION and PRODUCTVERSION take the numbers with commas. */
#define VANTREL_VERSION_NUMBERS \
    VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR, VANTREL_VERSION_PATCH, VANTREL_VERSION_BUILD
/* "1, 1, 0, 1": the string table's FileVersion. */
#define VANTREL_FILE_VERSION_TEXT VANTREL_STRINGIZE(VANTREL_VERSION_NUMBERS)
/* "1.1.0.1": what the console program's --version prints. */
#define VANTREL_VERSION_TEXT                                                          \
    VANTREL_STRINGIZE(VANTREL_VERSION_MAJOR) "." VANTREL_STRINGIZE(VANTREL_VERSION_MINOR) "." \
    VANTREL_STRINGIZE(VANTREL_VERSION_PATCH) "." VANTREL_STRINGIZE(VANTREL_VERSION_BUILD)
/* "v1.1": the ProductVersion that the About box shows. */
#define VANTREL_PRODUCT_VERSION_TEXT \
    "v" VANTREL_STRINGIZE(VANTREL_VERSION_MAJOR) "." VANTREL_STRINGIZE(VANTREL_VERSION_MINOR)

#endif
