// Placeholder translation unit until the main window lands.
namespace tarvik { int appInfoPlaceholder = 0; }
