// Quillon: the one coordinator through which every window works.
#pragma once

#include <QString>
#include <memory>

class cmd1;
class Cmd2;
class Source;
class StateManager;

// Owns the state manager and the Source record, creates the word processor's automation object
// at start-up, keeps the folders and the file that the user chose, selects the mode state, and
// offers the operations through which the user chooses documents, a macro and folders.
class Mediator final : public std::enable_shared_from_this<Mediator> {
public:
    Mediator();
    ~Mediator();
    Mediator(const Mediator&) = delete;
    Mediator& operator=(const Mediator&) = delete;

    // Connects to the word processor (on failure: "Could not find WordPerfect" and the program
    // ends), builds the state manager and the Source record, empties the document list.
    void init();
    void startStateOne();
    void StartStateTwo();
    void StartStateThree();
    void registerCmd1(std::shared_ptr<cmd1> command);
    void registerCmd2(std::shared_ptr<Cmd2> command);
    void Command1(QString& text);
    void Command2(QString& text);
    void Command3();
    void SetSourceFolder(const QString& folder);
    QString GetSourceFolder() const;
    void SetTgtFolder(const QString& folder);
    QString GetTgtFolder() const;
    void SetSourceFile(const QString& file);
    QString GetSourceFile() const;
    void SetTgtFile(const QString& file);
    QString GetTgtFile() const;
    void SetTempFolder(const QString& folder);
    QString GetTempFolder() const;

    // Choosing documents and folders.
    QString MacroSet();
    void SingleSourceFile();
    // Converts this document as if the user had picked it in SingleSourceFile's Open dialog.
    // With anyName (a document named at start-up that the word processor reads as a WordPerfect
    // document), whatever its name: the extension list does not hold every name such documents
    // have (report.wp, letter.wp5).
    void SingleSourceFile(const QString& document, bool anyName = false);
    // Whether the single-document mode takes this document whatever its name.
    bool TakesAnyName(const QString& document) const
    {
        return !m_anyName.isEmpty() && document == m_anyName;
    }
    void SourceFolder();
    void TargetFolder();
    QString BrowseForFolder(const QString& title);

    // For tests and the status of the run.
    StateManager* stateManager() const { return m_stateManager.get(); }

private:
    bool CreateWordPerfect();

    std::shared_ptr<cmd1> m_command1;
    std::shared_ptr<Cmd2> m_command2;
    std::unique_ptr<StateManager> m_stateManager;
    std::unique_ptr<Source> m_source;
    QString m_tempFolder;
    QString m_anyName; // the document SingleSourceFile takes whatever its name, while it runs
};
