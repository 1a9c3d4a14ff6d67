// Placeholder until the headless seam lands.
