#include "Schema.h"

namespace tovelo {

// The Chave columns and the table Busca (one row per chapter: each verse's number and folded
// text, see TextKeys.h) are filled by the program.
QStringList schemaStatements() {
    return {
        "CREATE TABLE Livros (Id INTEGER NOT NULL, Livro TEXT NOT NULL, Periodo TEXT NOT NULL, "
        "Capitulo INTEGER NOT NULL, Chave TEXT)",
        "CREATE INDEX LivrosChave ON Livros (Chave, Capitulo)",
        "CREATE INDEX LivrosId ON Livros (Id)",
        "CREATE TABLE Versiculos (Id INTEGER NOT NULL, Vers INTEGER NOT NULL, Texto TEXT)",
        "CREATE INDEX VersiculosId ON Versiculos (Id, Vers)",
        "CREATE TABLE Busca (Id INTEGER PRIMARY KEY, Texto TEXT NOT NULL)",
        "CREATE TABLE Personagens (Nome TEXT, Texto TEXT)",
        "CREATE TABLE Discipulos (Item INTEGER, Nome TEXT, Texto TEXT)",
        "CREATE TABLE Mapas (Titulo TEXT, Mapa TEXT, Chave TEXT)",
        "CREATE INDEX MapasChave ON Mapas (Chave)",
        "CREATE TABLE Estudos (Titulo TEXT, Texto TEXT, Chave TEXT)",
        "CREATE INDEX EstudosChave ON Estudos (Chave)",
        "CREATE TABLE Ilustracoes (Titulo TEXT, Texto TEXT, Chave TEXT)",
        "CREATE INDEX IlustracoesChave ON Ilustracoes (Chave)",
        "CREATE TABLE Atualizacoes (Tipo TEXT, Num INTEGER)",
        // One row: the version of the shipped content (see Upgrade.h).
        "CREATE TABLE Conteudo (Versao TEXT NOT NULL)",
    };
}

// Rows added by hand with the plain sqlite3 tool get their keys and search text from these
// (exact for plain ASCII); they use built-in functions only, so the file stays a plain SQLite
// database. Created after the content is loaded.
QStringList schemaTriggers() {
    return {
        "CREATE TRIGGER VersiculosBuscaNova AFTER INSERT ON Versiculos BEGIN "
        "INSERT OR IGNORE INTO Busca (Id, Texto) VALUES (NEW.Id, ''); "
        "UPDATE Busca SET Texto = Texto || NEW.Vers || char(9) || lower(NEW.Texto) || char(10) "
        "WHERE Id = NEW.Id; END",
        "CREATE TRIGGER LivrosChaveNova AFTER INSERT ON Livros WHEN NEW.Chave IS NULL BEGIN "
        "UPDATE Livros SET Chave = lower(NEW.Livro) || char(1) || lower(NEW.Livro) "
        "WHERE rowid = NEW.rowid; END",
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
