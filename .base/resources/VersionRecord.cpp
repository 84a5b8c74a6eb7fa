// The library's version record. It sits in a section of its own, so that
// `readelf -p .korvanta.version 3DSImporter.so` shows it without loading the
// library; each field is one NUL-terminated "Name=value" text.

[[gnu::used, gnu::section(".korvanta.version")]] static constexpr char kVersionRecord[] =
    "CompanyName=Hollin\0"
    "FileDescription=3DS importer plug-in for Korvanta\0"
    "FileVersion=" KV_LIBRARY_VERSION "\0"
    "InternalName=3DSImporter\0"
    "OriginalFilename=3DSImporter.so\0"
    "ProductName=Korvanta 3DS Importer\0"
    "ProductVersion=" KV_LIBRARY_VERSION;
