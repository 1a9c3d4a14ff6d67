// Placeholder until the Qt side of the window-system seam lands.
