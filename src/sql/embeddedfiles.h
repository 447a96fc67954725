#pragma once
// Installation files built into the programs (generated from db/schema.sql
// and cfg/KIV_ML.xml at build time), so the installation tool works from any
// folder.

// The SQL script that creates every table of an installation database.
extern const char* const kEmbeddedSchemaSQL;
// The default translated-text file written to Client/cfg/KIV_ML.xml.
extern const char* const kEmbeddedMLFile;
