// Keeps the command-line library non-empty until the flows land.
int OstrelCliPlaceholder() { return 0; }
