// A language resource library carries resources only; this is its one (empty) code unit.
