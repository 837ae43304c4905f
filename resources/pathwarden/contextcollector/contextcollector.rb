# Pathwarden context collector.
#
# Finds out which of Holmgrave's installer packages the installation medium
# carries and which are installed on this machine, and writes both to an XML
# result file ("scanning-output") for the updater. Runs under the system's
# ruby with its standard library only; calls the package tool (pkgutil), the
# archive tool (xar), whoami and cat, always with argument lists so that no
# value from the medium or the machine ever reaches a shell.
#
#   ruby contextcollector.rb --installerDir <folder> --resultXML <file>
#
# Exit codes: see ContextCollector::ExitCodes. On a failure caused by an
# exception, "error.log" is written beside this script.

require 'tmpdir'
require 'rexml/document'
require 'fileutils'
require 'optparse'

module ContextCollector
  module ExitCodes
    ERROR_NONE = 0
    ERROR_UNKNOWN = 100
    ERROR_BINARY_MISSING_PKGUTIL = 101
    ERROR_BINARY_MISSING_XAR = 102
    ERROR_CREATING_LIST_FOLDER = 110
    ERROR_WRITING_PACKAGE_LIST = 120
    ERROR_CREATING_INSTALLER_PACKAGE_LIST = 140
    ERROR_GETTING_INSTALLED_PACKAGES = 151
    ERROR_GETTING_INSTALLED_PACKAGES_FROM_PACKAGEINFO = 152
    ERROR_SYSTEM_CALL_PKGUTIL_GET_PACKAGES = 153
    ERROR_SYSTEM_CALL_PKGUTIL_GET_PACKAGEINFO = 154
    ERROR_DELETING_LIST_FOLDER = 160
    ERROR_ARGUMENT_MISMATCH = 170
    ERROR_GETTING_MEDIUM_INSTALLER_PATH = 180
    ERROR_CREATING_TEMP_DIRECTORY = 190
    ERROR_OFFSET_UNABLE_WRITING_LOG = 1000
  end

  # Installed packages are kept when their id starts with one of these.
  PACKAGE_ID_PREFIXES = ['com.holmgrave.'].freeze

  # A product id becomes part of a file name in the user's home folder: only
  # bundle-identifier characters, dot-separated, no empty part.
  PRODUCT_ID_PATTERN = /\A[A-Za-z0-9_-]+(\.[A-Za-z0-9_-]+)*\z/.freeze

  # Folders searched for the medium's "id" file: the installer folder and
  # up to three above it.
  MEDIUM_ID_SEARCH_DEPTH = 4
  MEDIUM_ID_MAX_BYTES = 4096

  # A failure with its exit code; cause is the exception behind it, if any.
  class Failure < StandardError
    attr_reader :code, :cause_exception

    def initialize(code, cause_exception = nil)
      super("exit code #{code}")
      @code = code
      @cause_exception = cause_exception
    end
  end

  # Writes text verbatim: REXML's pretty printer squeezes blanks and wraps
  # long texts onto indented lines, which would change the paths it carries.
  class ResultFormatter < REXML::Formatters::Pretty
    def initialize
      super(4)
      self.compact = true
      self.width = Float::INFINITY
    end

    protected

    def write_text(node, output)
      output << node.to_s
    end
  end

  class Collector
    include ExitCodes

    def initialize(installer_dir, result_xml, script_dir)
      @installer_dir = installer_dir
      @result_xml = result_xml
      @script_dir = script_dir
      @last_exit_status = nil
      @product_id = ''
      @medium_id = ''
      @medium_packages = {}
      @installed_packages = {}
    end

    def run
      set_up
      step(ERROR_CREATING_TEMP_DIRECTORY) { @temp_dir = Dir.mktmpdir }
      step(ERROR_GETTING_MEDIUM_INSTALLER_PATH) { @installer = find_medium_installer }
      step(ERROR_CREATING_LIST_FOLDER) { prepare_result_folder }
      @medium_id = find_medium_id
      step(ERROR_CREATING_INSTALLER_PACKAGE_LIST) { read_medium_packages } if @installer
      ids = step(ERROR_GETTING_INSTALLED_PACKAGES) { installed_package_ids }
      step(ERROR_GETTING_INSTALLED_PACKAGES_FROM_PACKAGEINFO) { read_installed_versions(ids) }
      step(ERROR_WRITING_PACKAGE_LIST) { write_result }
      step(ERROR_DELETING_LIST_FOLDER) do
        FileUtils.rm_rf(@temp_dir)
        @temp_dir = nil
      end
      ERROR_NONE
    end

    # After a failed step the temporary folder would otherwise stay behind.
    def remove_temp_dir
      FileUtils.rm_rf(@temp_dir) if @temp_dir
    rescue StandardError
      nil
    end

    # Written when a failure was caused by an exception.
    def write_error_log(code, exception)
      lines = ["Last Exit Code: #{@last_exit_status}",
               "Error Code: #{code}",
               "Exception Class: #{exception.class}",
               "Exception Message: #{exception.message}",
               'Exception Call Stack:']
      lines.concat(exception.backtrace || [])
      File.write(File.join(@script_dir, 'error.log'), lines.join("\n"))
      true
    rescue StandardError
      false
    end

    private

    # Runs one step; any exception in it ends the run with code.
    def step(code)
      yield
    rescue Failure
      raise
    rescue StandardError, ScriptError => e
      raise Failure.new(code, e)
    end

    def set_up
      @user = run_tool('whoami').chomp
      @pkgutil = locate_tool('/usr/sbin/pkgutil', 'pkgutil')
      raise Failure, ERROR_BINARY_MISSING_PKGUTIL if @pkgutil.empty?

      @xar = locate_tool('/usr/bin/xar', 'xar')
      raise Failure, ERROR_BINARY_MISSING_XAR if @xar.empty?

      @result_dir = File.dirname(@result_xml)
    rescue Failure
      raise
    rescue StandardError => e
      raise Failure.new(ERROR_UNKNOWN, e)
    end

    def locate_tool(fixed_path, name)
      return fixed_path if File.exist?(fixed_path)

      run_tool('which', name).strip
    rescue SystemCallError
      ''
    end

    # Output of a program started without a shell; raises when it cannot be
    # started or, with check, when it ends with a non-zero status.
    def run_tool(*command, check: false, limit: nil)
      output = IO.popen(command, 'rb', err: File::NULL) { |io| limit ? io.read(limit).to_s : io.read }
      @last_exit_status = $?.exitstatus
      raise "#{command.first} #{command[1]} failed with status #{@last_exit_status}" if check && !$?.success?

      output.force_encoding(Encoding::UTF_8).scrub
    end

    def find_medium_installer
      candidates = Dir.children(@installer_dir).reject { |name| name.start_with?('.') }
      candidates.select! { |name| File.extname(name) == '.pkg' }
      # Absolute, so that the archive tool still finds it from the
      # temporary folder.
      candidates.size == 1 ? File.expand_path(File.join(@installer_dir, candidates.first)) : nil
    end

    def prepare_result_folder
      Dir.mkdir(@result_dir) unless File.directory?(@result_dir)
      File.delete(@result_xml) if File.exist?(@result_xml) || File.symlink?(@result_xml)
    end

    def find_medium_id
      folder = File.expand_path(@installer_dir)
      MEDIUM_ID_SEARCH_DEPTH.times do
        candidate = File.join(folder, 'id')
        # Only a regular file: a FIFO named "id" must not block the scan.
        return run_tool('cat', candidate, limit: MEDIUM_ID_MAX_BYTES).strip if File.file?(candidate)

        folder = File.dirname(folder)
      end
      ''
    rescue StandardError
      ''
    end

    def read_medium_packages
      entries = run_tool(@xar, '-tf', @installer, check: true).split("\n").map(&:chomp)
      Dir.chdir(@temp_dir) do
        entries.each do |entry|
          next unless wanted_entry?(entry)

          run_tool(@xar, '-x', entry, '-f', @installer, check: true)
        end
      end
      @product_id = read_product_id
      packages = Dir.children(@temp_dir).select { |name| File.extname(name) == '.pkg' }.sort
      packages.each do |package|
        info = REXML::Document.new(File.read(File.join(@temp_dir, package, 'PackageInfo')))
        identifier = info.root && info.root.attributes['identifier']
        next if identifier.nil? || identifier.empty?

        @medium_packages[identifier] = info.root.attributes['version'] || ''
      end
    end

    # The Distribution file and each package's PackageInfo, and nothing that
    # would land outside the temporary folder.
    def wanted_entry?(entry)
      return false if entry.start_with?('/') || entry.split('/').include?('..')

      entry == 'Distribution' || entry.index('PackageInfo') == entry.length - 'PackageInfo'.length
    end

    def read_product_id
      distributions = Dir.children(@temp_dir).select { |name| name == 'Distribution' }
      raise 'Distribution File missing' if distributions.empty?
      raise 'Multiple Distribution Files found' if distributions.size > 1

      document = REXML::Document.new(File.read(File.join(@temp_dir, distributions.first)))
      product_id = nil
      document.root&.each_element('product') { |product| product_id = product.attributes['id'] }
      # An id that could leave the home folder as a file name counts as none.
      raise 'MainBundleId not specified in Distribution File' unless product_id && PRODUCT_ID_PATTERN.match?(product_id)

      product_id
    end

    def installed_package_ids
      output = begin
        run_tool(@pkgutil, '--pkgs', check: true)
      rescue StandardError => e
        raise Failure.new(ERROR_SYSTEM_CALL_PKGUTIL_GET_PACKAGES, e)
      end
      output.lines.map(&:chomp).select { |id| PACKAGE_ID_PREFIXES.any? { |prefix| id.start_with?(prefix) } }
    end

    def read_installed_versions(ids)
      ids.each do |requested|
        output = begin
          run_tool(@pkgutil, '--pkg-info', requested, check: true)
        rescue StandardError => e
          raise Failure.new(ERROR_SYSTEM_CALL_PKGUTIL_GET_PACKAGEINFO, e)
        end
        id = nil
        version = nil
        output.each_line do |line|
          id = line.sub('package-id:', '').strip if line.start_with?('package-id')
          version = line.sub('version:', '').strip if line.start_with?('version')
        end
        @installed_packages[id] = version || '' if id && !id.empty?
      end
    end

    def installer_info_path
      home = ENV['HOME'].to_s.empty? ? Dir.home(@user) : Dir.home
      File.join(home, ".#{@product_id}.xml")
    end

    def write_result
      document = REXML::Document.new(nil, attribute_quote: :quote)
      root = document.add_element('scanning-output')
      packages = root.add_element('packages')
      @medium_packages.each do |id, version|
        packages.add_element('package', 'id' => id, 'medium-version' => version,
                                        'installed-version' => @installed_packages.fetch(id, 'n/a'), 'osx' => 'true')
      end
      @installed_packages.each do |id, version|
        next if @medium_packages.key?(id)

        packages.add_element('package', 'id' => id, 'medium-version' => 'n/a', 'installed-version' => version,
                                        'osx' => 'true')
      end
      root.add_element('original-installer-path').add_text(@installer_dir)
      root.add_element('installer-info').add_text(installer_info_path)
      root.add_element('product-id').add_text(@product_id)
      root.add_element('medium-id').add_text(@medium_id)

      text = +"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n"
      ResultFormatter.new.write(root, text)
      File.write(@result_xml, text, mode: 'wb')
    end
  end

  def self.usage_parser(options)
    OptionParser.new do |parser|
      parser.banner = "\n\nUsage: ruby #{File.basename(__FILE__)} Command Command"
      parser.separator 'Commands:'
      parser.on('--installerDir INSTALLERDIR', 'path/to/installer/directory') { |value| options[:installerDir] = value }
      parser.on('--resultXML RESULTXMLFILE', 'path/to/result.xml') { |value| options[:resultXML] = value }
      parser.separator 'Help:'
      parser.on('-h', '--help', 'help') { options[:help] = true }
    end
  end

  def self.main(argv)
    options = {}
    parser = usage_parser(options)
    # An unknown option or one without its value ends here with ruby's own
    # message and status 1.
    parser.parse!(argv)
    if options[:help] || !options.key?(:installerDir) || !options.key?(:resultXML) || !argv.empty? ||
       !File.directory?(options[:installerDir])
      puts parser
      return ExitCodes::ERROR_ARGUMENT_MISMATCH
    end

    collector = Collector.new(options[:installerDir], options[:resultXML], File.dirname(File.expand_path(__FILE__)))
    begin
      collector.run
    rescue Failure => e
      report_failure(collector, e.code, e.cause_exception)
    rescue StandardError => e
      report_failure(collector, ExitCodes::ERROR_UNKNOWN, e)
    ensure
      collector.remove_temp_dir
    end
  end

  def self.report_failure(collector, code, exception)
    puts "Code: #{code}"
    return code unless exception

    puts "Error: #{exception.inspect}"
    collector.write_error_log(code, exception) ? code : code + ExitCodes::ERROR_OFFSET_UNABLE_WRITING_LOG
  end
end

exit(ContextCollector.main(ARGV))
