#include "Schema.h"

namespace tovelo {

// The Chave and TextoBusca columns are filled by the program (see TextKeys.h). The triggers give
// rows added by hand with the plain sqlite3 tool a usable key too (exact for plain ASCII); they
// use built-in functions only, so the file stays a plain SQLite database.
QStringList schemaStatements() {
    return {
        "CREATE TABLE Livros (Id INTEGER NOT NULL, Livro TEXT NOT NULL, Periodo TEXT NOT NULL, "
        "Capitulo INTEGER NOT NULL, Chave TEXT)",
        "CREATE INDEX LivrosChave ON Livros (Chave, Capitulo)",
        "CREATE INDEX LivrosId ON Livros (Id)",
        "CREATE TABLE Versiculos (Id INTEGER NOT NULL, Vers INTEGER NOT NULL, Texto TEXT, "
        "TextoBusca TEXT)",
        "CREATE INDEX VersiculosId ON Versiculos (Id, Vers)",
        "CREATE TABLE Personagens (Nome TEXT, Texto TEXT)",
        "CREATE TABLE Discipulos (Item INTEGER, Nome TEXT, Texto TEXT)",
        "CREATE TABLE Mapas (Titulo TEXT, Mapa TEXT, Chave TEXT)",
        "CREATE INDEX MapasChave ON Mapas (Chave)",
        "CREATE TABLE Estudos (Titulo TEXT, Texto TEXT, Chave TEXT)",
        "CREATE INDEX EstudosChave ON Estudos (Chave)",
        "CREATE TABLE Ilustracoes (Titulo TEXT, Texto TEXT, Chave TEXT)",
        "CREATE INDEX IlustracoesChave ON Ilustracoes (Chave)",
        "CREATE TABLE Atualizacoes (Tipo TEXT, Num INTEGER)",
        "CREATE TRIGGER LivrosChaveNova AFTER INSERT ON Livros WHEN NEW.Chave IS NULL BEGIN "
        "UPDATE Livros SET Chave = lower(NEW.Livro) || char(1) || lower(NEW.Livro) "
        "WHERE rowid = NEW.rowid; END",
        "CREATE TRIGGER VersiculosBuscaNova AFTER INSERT ON Versiculos "
        "WHEN NEW.TextoBusca IS NULL BEGIN "
        "UPDATE Versiculos SET TextoBusca = lower(NEW.Texto) WHERE rowid = NEW.rowid; END",
        "CREATE TRIGGER MapasChaveNova AFTER INSERT ON Mapas WHEN NEW.Chave IS NULL BEGIN "
        "UPDATE Mapas SET Chave = lower(NEW.Titulo) || char(1) || lower(NEW.Titulo) "
        "WHERE rowid = NEW.rowid; END",
        "CREATE TRIGGER EstudosChaveNova AFTER INSERT ON Estudos WHEN NEW.Chave IS NULL BEGIN "
        "UPDATE Estudos SET Chave = lower(NEW.Titulo) || char(1) || lower(NEW.Titulo) "
        "WHERE rowid = NEW.rowid; END",
        "CREATE TRIGGER IlustracoesChaveNova AFTER INSERT ON Ilustracoes "
        "WHEN NEW.Chave IS NULL BEGIN "
        "UPDATE Ilustracoes SET Chave = lower(NEW.Titulo) || char(1) || lower(NEW.Titulo) "
        "WHERE rowid = NEW.rowid; END",
    };
}

} // namespace tovelo
