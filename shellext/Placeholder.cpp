// Keeps the handler library non-empty until the handler lands.
int OstrelShellExtPlaceholder() { return 0; }
